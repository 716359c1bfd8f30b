#include "locale/textdictionaryparser.h"

#include "locale/dictionaryreader.h"
#include "locale/escapeexpander.h"
#include "locale/zstringparts.h"

namespace basekit_private {

namespace {

QStringView itemOf(QStringView line)
{
    const qsizetype open = line.indexOf(u'"');
    if (open < 0)
        return line;
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] == u'"' && line[i - 1] != u'\\')
            return line.sliced(open + 1, i - open - 1);
    }
    return line.sliced(open + 1);
}

} // namespace

TextDictionaryParser::Result TextDictionaryParser::parse(QByteArrayView data,
                                                         const QByteArray &ansiCharset)
{
    Result result;
    const std::unique_ptr<DictionaryReader> reader = DictionaryReader::create(data, ansiCharset);
    QStringView line;
    while (reader->readLine(line)) {
        if (line.isEmpty())
            continue;
        const auto parts = splitZString(itemOf(line));
        if (!parts) {
            result.valid = false;
            ++result.invalidLines;
            continue;
        }
        // Keys are compared as the bytes the program's ZStrings carry, which are UTF-8.
        result.entries.push_back({parts->key.toUtf8(), EscapeExpander::expand(parts->defaultText)});
    }
    return result;
}

} // namespace basekit_private
