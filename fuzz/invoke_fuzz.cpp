// Feeds arbitrary bytes to the invoke document parser the way the host reads a movie's call,
// checks that the arguments it yields are well-typed, and runs the UTF conversions of the
// player boundary over the same bytes.

#include "shared/glint/efpunicode.h"
#include "shared/glint/qtefpglintparser.h"
#include "shared/glint/qtefpglintwriter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    QtEFPGlintParser parser;
    parser.parse(bytes);
    if (parser.arguments().size() > QtEFPGlintParser::kMaxArguments)
        std::abort();
    QList<QVariant> echoed;
    for (const QGenericArgument &arg : parser.arguments()) {
        const char *type = arg.name();
        if (std::strcmp(type, "int") == 0)
            echoed << QVariant(*static_cast<const int *>(arg.data()));
        else if (std::strcmp(type, "qreal") == 0)
            echoed << QVariant(*static_cast<const double *>(arg.data()));
        else if (std::strcmp(type, "QString") == 0)
            echoed << QVariant(*static_cast<const QString *>(arg.data()));
        else if (std::strcmp(type, "bool") == 0)
            echoed << QVariant(*static_cast<const bool *>(arg.data()));
        else
            std::abort();
    }
    // What the host writes back from these values must read back as the same strings.
    const QString document = QtEFPGlintWriter::invokeDocument(parser.functionName(), &echoed);
    QtEFPGlintParser reread;
    if (!reread.parse(document.toUtf8()) || reread.arguments().size() != echoed.size())
        std::abort();

    try {
        const std::u16string utf16 = utf8ToUtf16(std::string(bytes.constData(), size));
        utf16ToUtf8(utf16);
    } catch (const std::runtime_error &) {
    }
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    try {
        utf16ToUtf8(units);
    } catch (const std::runtime_error &) {
    }
    return 0;
}
