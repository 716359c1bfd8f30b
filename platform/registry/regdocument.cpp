#include "platform/registry/regdocument.h"

#include "platform/registry/hive.h"

#include <QStringDecoder>

namespace {

struct Line
{
    QString text;
    QByteArray raw;
    bool readable = true;
};

std::vector<Line> splitLines(QByteArrayView bytes)
{
    std::vector<Line> lines;
    const auto decodeUtf16 = [&](QStringConverter::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless |
                                             QStringDecoder::Flag::ConvertInitialBom);
        const QString all = decoder(bytes.sliced(skip));
        for (QStringView piece : QStringView(all).tokenize(u'\n')) {
            // Every carriage return before the line end goes, or a kept line would lose one at
            // each rewrite.
            while (piece.endsWith(u'\r'))
                piece.chop(1);
            lines.push_back({piece.toString(), piece.toUtf8(), !piece.contains(QChar(0))});
        }
    };
    if (bytes.startsWith("\xff\xfe")) {
        decodeUtf16(QStringConverter::Utf16LE, 2);
        return lines;
    }
    if (bytes.startsWith("\xfe\xff")) {
        decodeUtf16(QStringConverter::Utf16BE, 2);
        return lines;
    }
    if (bytes.startsWith("\xef\xbb\xbf"))
        bytes = bytes.sliced(3);
    // UTF-8 line by line, so a line with bytes that are not UTF-8 can be kept as it was.
    // ConvertInitialBom: a U+FEFF at the start of a line is a character of that line.
    QStringDecoder decoder(QStringConverter::Utf8, QStringDecoder::Flag::Stateless |
                                                       QStringDecoder::Flag::ConvertInitialBom);
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArrayView raw = bytes.sliced(start, end - start);
        while (raw.endsWith('\r'))
            raw.chop(1);
        decoder.resetState();
        Line line{decoder(raw), raw.toByteArray(), true};
        line.readable = !decoder.hasError() && !raw.contains('\0');
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// A quoted string starting at text[pos] == '"'; on success pos is just past the closing quote.
// Only \\ and \" are escapes; a backslash before anything else stands for itself.
std::optional<QString> readQuoted(QStringView text, qsizetype &pos)
{
    QString out;
    for (qsizetype i = pos + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            pos = i + 1;
            return out;
        }
        if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'\\' || text[i + 1] == u'"'))
            ++i;
        out += text[i];
    }
    return std::nullopt;
}

std::optional<QByteArray> readHexBytes(QStringView list)
{
    QByteArray bytes;
    list = list.trimmed();
    if (list.isEmpty())
        return bytes;
    const QList<QStringView> tokens = list.split(u',');
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QStringView token = tokens[i].trimmed();
        if (token.isEmpty() && i == tokens.size() - 1 && i > 0)
            break; // a trailing comma
        bool ok = false;
        const uint byte = token.toUInt(&ok, 16);
        if (!ok || token.size() > 2 || token.startsWith(u'+') || token.startsWith(u'-'))
            return std::nullopt;
        bytes.append(char(byte));
    }
    return bytes;
}

bool isHexDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!c.isDigit() && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F'))
            return false;
    }
    return true;
}

// The data part of a value line: "text", dword:, hex:, hex(N): or "-".
bool readData(QStringView data, RegDocument::Entry &entry)
{
    data = data.trimmed();
    if (data == u"-") {
        entry.kind = RegDocument::Entry::DeleteValue;
        return true;
    }
    entry.kind = RegDocument::Entry::Value;
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        const auto text = readQuoted(data, pos);
        if (!text || !data.sliced(pos).trimmed().isEmpty())
            return false;
        entry.value = RegValue::fromString(*text);
        return true;
    }
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const QStringView digits = data.sliced(6).trimmed();
        if (!isHexDigits(digits) || digits.size() > 8)
            return false;
        entry.value = RegValue::fromDword(digits.toUInt(nullptr, 16));
        return true;
    }
    if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
        RegType type = REG_BINARY;
        QStringView rest = data.sliced(3);
        if (rest.startsWith(u'(')) {
            const qsizetype close = rest.indexOf(u')');
            if (close < 0 || close > 9 || !isHexDigits(rest.sliced(1, close - 1)))
                return false;
            type = rest.sliced(1, close - 1).toUInt(nullptr, 16);
            rest = rest.sliced(close + 1);
        }
        if (!rest.startsWith(u':'))
            return false;
        const auto bytes = readHexBytes(rest.sliced(1));
        if (!bytes)
            return false;
        entry.value = RegValue(type, *bytes);
        return true;
    }
    return false;
}

// A line that can go on a hex list: bytes, commas, blanks, perhaps a backslash at the end.
bool isHexContinuation(QStringView trimmed)
{
    if (trimmed.endsWith(u'\\'))
        trimmed.chop(1);
    if (trimmed.isEmpty())
        return false;
    for (const QChar c : trimmed) {
        if (!c.isDigit() && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F') && c != u',' &&
            c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

// Whether a value line starts a hex list (a well-formed name, '=', hex...) that may go on over
// the following lines.
bool isHexData(QStringView text)
{
    qsizetype pos = 1;
    if (!text.startsWith(u'@') && !readQuoted(text, (pos = 0, pos)))
        return false;
    const QStringView rest = text.sliced(pos).trimmed();
    return rest.startsWith(u'=') &&
           rest.sliced(1).trimmed().startsWith(u"hex", Qt::CaseInsensitive);
}

} // namespace

QString RegDocument::rootName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    }
    return {};
}

std::optional<RegRoot> RegDocument::parseRoot(QStringView name)
{
    const auto is = [name](const char *candidate) {
        return name.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0;
    };
    if (is("HKEY_CURRENT_USER") || is("HKCU"))
        return RegRoot::CurrentUser;
    if (is("HKEY_LOCAL_MACHINE") || is("HKLM"))
        return RegRoot::LocalMachine;
    if (is("HKEY_CLASSES_ROOT") || is("HKCR"))
        return RegRoot::ClassesRoot;
    return std::nullopt;
}

std::optional<std::pair<RegRoot, QString>> RegDocument::splitFullPath(QStringView fullPath)
{
    const qsizetype cut = fullPath.indexOf(u'\\');
    const auto root = parseRoot(cut < 0 ? fullPath : fullPath.left(cut));
    if (!root)
        return std::nullopt;
    const QString path = cut < 0 ? QString() : fullPath.sliced(cut + 1).toString();
    if (!Hive::splitPath(path))
        return std::nullopt;
    return std::make_pair(*root, path);
}

RegDocument RegDocument::parse(QByteArrayView bytes)
{
    RegDocument doc;
    if (bytes.size() > MaxFileSize) {
        doc.m_tooLarge = true;
        doc.m_issues.push_back({0, QStringLiteral("file larger than %1 bytes").arg(MaxFileSize)});
        return doc;
    }
    const std::vector<Line> lines = splitLines(bytes);

    // 0: no section yet, 1: inside a usable section, 2: inside a section whose header could not
    // be read (its values are kept, not loaded, and not reported one by one).
    int section = 0;
    bool headerSeen = false;
    const auto kept = [&](size_t index, const QString &why) {
        Entry entry;
        entry.kind = Entry::Kept;
        entry.line = int(index + 1);
        entry.raw.append(lines[index].raw);
        doc.m_entries.push_back(std::move(entry));
        if (!why.isEmpty())
            doc.m_issues.push_back({int(index + 1), why});
    };

    for (size_t i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        const QStringView text = QStringView(line.text).trimmed();
        if (line.readable && text.isEmpty())
            continue;
        if (!headerSeen) {
            headerSeen = true;
            if (line.readable &&
                (text == u"Windows Registry Editor Version 5.00" || text == u"REGEDIT4")) {
                doc.m_hasHeader = true;
                continue;
            }
            doc.m_issues.push_back({int(i + 1), QStringLiteral("missing file header")});
        }
        if (!line.readable) {
            kept(i, QStringLiteral("not valid text"));
            continue;
        }
        if (text.size() > MaxLineLength) {
            kept(i, QStringLiteral("line longer than %1 characters").arg(MaxLineLength));
            continue;
        }
        if (text.startsWith(u';')) {
            kept(i, QString()); // a comment: kept, nothing wrong with it
            continue;
        }
        if (text.startsWith(u'[')) {
            Entry entry;
            entry.line = int(i + 1);
            entry.raw.append(line.raw);
            std::optional<std::pair<RegRoot, QString>> key;
            if (text.endsWith(u']') && text.size() >= 2) {
                QStringView inner = text.sliced(1, text.size() - 2);
                entry.kind = Entry::Key;
                if (inner.startsWith(u'-')) {
                    entry.kind = Entry::DeleteKey;
                    inner = inner.sliced(1);
                }
                key = splitFullPath(inner);
            }
            if (!key) {
                section = 2;
                kept(i, QStringLiteral("unreadable key name"));
                continue;
            }
            entry.root = key->first;
            entry.path = key->second;
            doc.m_entries.push_back(std::move(entry));
            section = 1;
            continue;
        }
        if (text.startsWith(u'"') || text.startsWith(u'@')) {
            // A hex list may go on over several lines, each but the last ending in a backslash.
            QString logical = text.toString();
            QByteArrayList raw{line.raw};
            const size_t first = i;
            bool joined = true;
            if (isHexData(logical)) {
                while (logical.endsWith(u'\\')) {
                    logical.chop(1);
                    // Only lines of hex bytes go on a value; a blank line, a section or
                    // another value ends it unfinished and is read on its own.
                    if (i + 1 >= lines.size() || !lines[i + 1].readable ||
                        !isHexContinuation(QStringView(lines[i + 1].text).trimmed()) ||
                        logical.size() + lines[i + 1].text.size() > MaxLineLength) {
                        joined = false;
                        break;
                    }
                    ++i;
                    logical += QStringView(lines[i].text).trimmed();
                    raw.append(lines[i].raw);
                }
            }
            Entry entry;
            entry.line = int(first + 1);
            entry.raw = raw;
            bool ok = joined;
            qsizetype pos = 0;
            if (ok && logical.startsWith(u'@')) {
                pos = 1;
            } else if (ok) {
                const auto name = readQuoted(logical, pos);
                ok = name && Hive::isValidValueName(*name);
                if (ok)
                    entry.name = *name;
            }
            if (ok) {
                QStringView rest = QStringView(logical).sliced(pos).trimmed();
                ok = rest.startsWith(u'=') && readData(rest.sliced(1), entry);
            }
            if (ok && section == 1) {
                doc.m_entries.push_back(std::move(entry));
                continue;
            }
            entry.kind = Entry::Kept;
            doc.m_entries.push_back(std::move(entry));
            if (!ok)
                doc.m_issues.push_back({int(first + 1), QStringLiteral("unreadable value")});
            else if (section == 0)
                doc.m_issues.push_back({int(first + 1), QStringLiteral("value outside a key")});
            continue;
        }
        kept(i, section == 2 ? QString() : QStringLiteral("unreadable line"));
    }
    return doc;
}
