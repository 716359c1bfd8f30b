#include "locale/zstringparts.h"

namespace basekit_private {

namespace {

std::string_view part(std::string_view text, std::size_t pos,
                      std::size_t n = std::string_view::npos)
{
    return text.substr(pos, n);
}

QStringView part(QStringView text, std::size_t pos, std::size_t n = std::string_view::npos)
{
    return n == std::string_view::npos ? text.sliced(qsizetype(pos))
                                       : text.sliced(qsizetype(pos), qsizetype(n));
}

template<typename View, typename Char>
std::optional<ZStringParts<View>> split(View text, Char dollar, Char equals)
{
    std::size_t keyStart = 0;
    if (text.size() > 0 && text[0] == dollar) {
        if (std::size_t(text.size()) < 3 || text[1] != dollar || text[2] != dollar)
            return std::nullopt;
        keyStart = 3;
    }
    std::size_t eq = keyStart;
    while (eq < std::size_t(text.size()) && text[eq] != equals)
        ++eq;
    if (eq == std::size_t(text.size())) {
        if (keyStart == 0)
            return std::nullopt;
        return ZStringParts<View>{part(text, keyStart), View()};
    }
    return ZStringParts<View>{part(text, keyStart, eq - keyStart), part(text, eq + 1)};
}

} // namespace

std::optional<ZStringParts<std::string_view>> splitZString(std::string_view zstring)
{
    return split(zstring, '$', '=');
}

std::optional<ZStringParts<QStringView>> splitZString(QStringView zstring)
{
    return split(zstring, QChar(u'$'), QChar(u'='));
}

} // namespace basekit_private
