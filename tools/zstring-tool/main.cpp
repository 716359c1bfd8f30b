// zstring-tool: writes, reads and lists ZString dictionaries.
//
//   zstring-tool compile IN OUT --format text|1.0|1.5|2.0|2.1|2.1-be
//                [--encoding utf-8|utf-16le|utf-16be] [--table-size N] [--header TEXT]
//                [--value-encoding utf-16|utf-8] [--ansi CHARSET]
//   zstring-tool lookup FILE ZSTRING [--ansi CHARSET]
//   zstring-tool dump FILE [--ansi CHARSET]

#include "locale/dictionarywriter.h"
#include "locale/textdictionaryparser.h"
#include "locale/zstringdictionary.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <optional>

using namespace basekit_private;

namespace {

constexpr int exitError = 1;
constexpr int exitUsage = 2;

void printErr(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

int usage()
{
    printErr(QStringLiteral(
        "usage: zstring-tool compile IN OUT --format text|1.0|1.5|2.0|2.1|2.1-be\n"
        "                    [--encoding utf-8|utf-16le|utf-16be] [--table-size N]\n"
        "                    [--header TEXT] [--value-encoding utf-16|utf-8] [--ansi CHARSET]\n"
        "       zstring-tool lookup FILE ZSTRING [--ansi CHARSET]\n"
        "       zstring-tool dump FILE [--ansi CHARSET]"));
    return exitUsage;
}

// Positional arguments and "--name value" options.
struct Arguments
{
    QStringList positional;
    QHash<QString, QString> options;
};

std::optional<Arguments> splitArguments(const QStringList &args)
{
    static const QStringList known = {
        QStringLiteral("--format"),         QStringLiteral("--encoding"),
        QStringLiteral("--table-size"),     QStringLiteral("--header"),
        QStringLiteral("--value-encoding"), QStringLiteral("--ansi")};
    Arguments result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg.startsWith(u"--")) {
            if (!known.contains(arg) || i + 1 == args.size()) {
                printErr(
                    QStringLiteral("zstring-tool: unknown option or missing value: %1").arg(arg));
                return std::nullopt;
            }
            result.options.insert(arg, args[++i]);
        } else {
            result.positional.append(arg);
        }
    }
    return result;
}

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("zstring-tool: cannot open %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return file.readAll();
}

bool isBinaryDictionary(const QByteArray &data)
{
    return data.startsWith("ZString Binary Format");
}

// The entries of a text dictionary in file order, a repeated key keeping its first place and
// its last text; or of any dictionary the launcher can read.
std::optional<QList<DictionaryEntry>> readEntries(const QString &path, const QByteArray &ansi)
{
    const auto data = readFile(path);
    if (!data)
        return std::nullopt;
    if (isBinaryDictionary(*data)) {
        ZStringDictionary dictionary;
        dictionary.loadData(*data);
        if (!dictionary.isValid())
            printErr(
                QStringLiteral("zstring-tool: %1: parts of the file could not be read").arg(path));
        return dictionary.entries();
    }
    const TextDictionaryParser::Result text = TextDictionaryParser::parse(*data, ansi);
    if (!text.valid) {
        printErr(QStringLiteral("zstring-tool: %1: %2 lines are not ZStrings")
                     .arg(path)
                     .arg(text.invalidLines));
        return std::nullopt;
    }
    QList<DictionaryEntry> entries;
    QHash<QByteArray, qsizetype> index;
    for (const DictionaryEntry &entry : text.entries) {
        const auto it = index.constFind(entry.key);
        if (it != index.constEnd()) {
            entries[*it].value = entry.value;
        } else {
            index.insert(entry.key, entries.size());
            entries.append(entry);
        }
    }
    return entries;
}

int compile(const Arguments &args)
{
    if (args.positional.size() != 3 || !args.options.contains(QStringLiteral("--format")))
        return usage();
    const auto format =
        DictionaryWriter::formatFromName(args.options.value(QStringLiteral("--format")));
    if (!format) {
        printErr(QStringLiteral("zstring-tool: unknown format %1")
                     .arg(args.options.value(QStringLiteral("--format"))));
        return exitUsage;
    }
    DictionaryWriter::Options options;
    if (args.options.contains(QStringLiteral("--encoding"))) {
        const auto encoding = DictionaryWriter::textEncodingFromName(
            args.options.value(QStringLiteral("--encoding")));
        if (!encoding || *format != DictionaryWriter::Format::Text) {
            printErr(QStringLiteral("zstring-tool: --encoding takes utf-8, utf-16le or utf-16be "
                                    "and only applies to --format text"));
            return exitUsage;
        }
        options.textEncoding = *encoding;
    }
    if (args.options.contains(QStringLiteral("--table-size"))) {
        bool ok = false;
        options.entriesPerTable = args.options.value(QStringLiteral("--table-size")).toUInt(&ok);
        if (!ok || options.entriesPerTable == 0) {
            printErr(QStringLiteral("zstring-tool: --table-size takes a positive number"));
            return exitUsage;
        }
    }
    if (args.options.contains(QStringLiteral("--header")))
        options.headerString = args.options.value(QStringLiteral("--header")).toUtf8();
    if (args.options.contains(QStringLiteral("--value-encoding"))) {
        const QString v = args.options.value(QStringLiteral("--value-encoding")).toLower();
        if (v != u"utf-16" && v != u"utf-8") {
            printErr(QStringLiteral("zstring-tool: --value-encoding takes utf-16 or utf-8"));
            return exitUsage;
        }
        options.version1Encoding = v == u"utf-8" ? 1 : 0;
    }
    // Translators' files without a mark are UTF-8 unless they say otherwise.
    const QByteArray ansi =
        args.options.value(QStringLiteral("--ansi"), QStringLiteral("UTF-8")).toLatin1();
    const auto entries = readEntries(args.positional[1], ansi);
    if (!entries)
        return exitError;
    const DictionaryWriter::Result written = DictionaryWriter::write(*entries, *format, options);
    if (!written.ok()) {
        printErr(QStringLiteral("zstring-tool: %1").arg(written.error));
        return exitError;
    }
    QSaveFile out(args.positional[2]);
    if (!out.open(QIODevice::WriteOnly) || out.write(written.data) != written.data.size() ||
        !out.commit()) {
        printErr(QStringLiteral("zstring-tool: cannot write %1: %2")
                     .arg(args.positional[2], out.errorString()));
        return exitError;
    }
    return 0;
}

bool loadInto(ZStringDictionary &dictionary, const QString &path, const Arguments &args)
{
    if (args.options.contains(QStringLiteral("--ansi")))
        dictionary.setAnsiCharset(args.options.value(QStringLiteral("--ansi")).toLatin1());
    if (!dictionary.load(path, 0, true)) {
        printErr(QStringLiteral("zstring-tool: cannot open %1").arg(path));
        return false;
    }
    if (!dictionary.isValid())
        printErr(QStringLiteral("zstring-tool: %1: parts of the file could not be read").arg(path));
    return true;
}

int lookup(const Arguments &args)
{
    if (args.positional.size() != 3)
        return usage();
    ZStringDictionary dictionary;
    if (!loadInto(dictionary, args.positional[1], args))
        return exitError;
    printOut(dictionary.translate(args.positional[2].toStdString()));
    return 0;
}

int dump(const Arguments &args)
{
    if (args.positional.size() != 2)
        return usage();
    ZStringDictionary dictionary;
    if (!loadInto(dictionary, args.positional[1], args))
        return exitError;
    const QList<DictionaryEntry> entries = dictionary.entries();
    for (const DictionaryEntry &entry : entries)
        printOut(QString::fromUtf8(entry.key) + u'=' + DictionaryWriter::escapeText(entry.value));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList all = QCoreApplication::arguments().mid(1);
    if (all.isEmpty())
        return usage();
    const auto args = splitArguments(all);
    if (!args)
        return exitUsage;
    const QString &command = args->positional.value(0);
    if (command == u"compile")
        return compile(*args);
    if (command == u"lookup")
        return lookup(*args);
    if (command == u"dump")
        return dump(*args);
    return usage();
}
