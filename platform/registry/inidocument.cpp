#include "platform/registry/inidocument.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

bool isSectionLine(QStringView trimmed)
{
    return trimmed.startsWith(u'[');
}

QStringView sectionName(QStringView trimmed)
{
    QStringView inner = trimmed.sliced(1);
    const qsizetype close = inner.indexOf(u']');
    if (close >= 0)
        inner = inner.left(close);
    return inner.trimmed();
}

bool isComment(QStringView trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

} // namespace

IniDocument IniDocument::parse(QByteArrayView bytes)
{
    IniDocument doc;
    if (bytes.isEmpty())
        return doc;
    QString text;
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        const bool le = bytes[0] == '\xff';
        doc.m_encoding = le ? Encoding::Utf16LE : Encoding::Utf16BE;
        QStringDecoder decoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringDecoder::Flag::ConvertInitialBom |
                                   QStringDecoder::Flag::Stateless);
        text = decoder(bytes.sliced(2));
    } else {
        if (bytes.startsWith("\xef\xbb\xbf")) {
            doc.m_encoding = Encoding::Utf8Bom;
            bytes = bytes.sliced(3);
        }
    }
    const bool utf8 = doc.m_encoding == Encoding::Utf8 || doc.m_encoding == Encoding::Utf8Bom;
    const QByteArrayView data = bytes;
    const qsizetype total = utf8 ? data.size() : text.size();
    const auto findNewline = [&](qsizetype from) {
        return utf8 ? data.indexOf('\n', from) : text.indexOf(QLatin1Char('\n'), from);
    };
    const qsizetype first = findNewline(0);
    if (first > 0 && (utf8 ? data[first - 1] == '\r' : text[first - 1] == QLatin1Char('\r')))
        doc.m_eol = "\r\n";

    qsizetype start = 0;
    while (start < total) {
        qsizetype end = findNewline(start);
        const bool hasEol = end >= 0;
        if (!hasEol)
            end = total;
        Line line;
        line.eol = hasEol ? QByteArray("\n") : QByteArray();
        if (utf8) {
            QByteArrayView raw = data.sliced(start, end - start);
            if (hasEol && raw.endsWith('\r')) {
                raw.chop(1);
                line.eol = "\r\n";
            }
            line.raw = raw.toByteArray();
            // Not QString::fromUtf8: it would drop a U+FEFF that starts the line. Stateless, so
            // a sequence cut off at the line's end reads as U+FFFD instead of vanishing.
            QStringDecoder decoder(QStringConverter::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                               QStringDecoder::Flag::Stateless);
            line.text = decoder(raw);
        } else {
            QStringView piece = QStringView(text).sliced(start, end - start);
            if (hasEol && piece.endsWith(u'\r')) {
                piece.chop(1);
                line.eol = "\r\n";
            }
            line.text = piece.toString();
        }
        doc.m_lines.push_back(std::move(line));
        start = end + 1;
    }
    return doc;
}

qsizetype IniDocument::findSection(QStringView section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const QStringView trimmed = QStringView(m_lines[i].text).trimmed();
        if (isSectionLine(trimmed) &&
            sectionName(trimmed).compare(section.trimmed(), Qt::CaseInsensitive) == 0)
            return qsizetype(i);
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < qsizetype(m_lines.size()) && !isSectionLine(QStringView(m_lines[i].text).trimmed()))
        ++i;
    return i;
}

qsizetype IniDocument::findKey(qsizetype header, QStringView key) const
{
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const QStringView trimmed = QStringView(m_lines[i].text).trimmed();
        if (isComment(trimmed))
            continue;
        const qsizetype eq = trimmed.indexOf(u'=');
        if (eq < 0)
            continue;
        if (trimmed.left(eq).trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const qsizetype line = findKey(header, key);
    if (line < 0)
        return std::nullopt;
    const QStringView trimmed = QStringView(m_lines[line].text).trimmed();
    QStringView value = trimmed.sliced(trimmed.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toString();
}

bool IniDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    const auto breaksLine = [](const QString &s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')) ||
               s.contains(QChar(0));
    };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value) ||
        section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('=')) ||
        key.trimmed().isEmpty() || key.trimmed().startsWith(QLatin1Char('[')) ||
        isComment(key.trimmed()))
        return false;

    const qsizetype header = findSection(section);
    if (header < 0) {
        if (!m_lines.empty() && m_lines.back().eol.isEmpty())
            m_lines.back().eol = m_eol;
        m_lines.push_back({QLatin1Char('[') + section + QLatin1Char(']'), {}, true, m_eol});
        m_lines.push_back({key + QLatin1Char('=') + value, {}, true, m_eol});
        return true;
    }
    const qsizetype existing = findKey(header, key);
    if (existing >= 0) {
        Line &line = m_lines[existing];
        const QStringView trimmed = QStringView(line.text).trimmed();
        const QString stored = trimmed.left(trimmed.indexOf(u'=')).trimmed().toString();
        line = {stored + QLatin1Char('=') + value, {}, true, line.eol};
        return true;
    }
    // After the section's last non-blank line, so blank lines before the next section stay there.
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && QStringView(m_lines[at - 1].text).trimmed().isEmpty())
        --at;
    if (m_lines[at - 1].eol.isEmpty())
        m_lines[at - 1].eol = m_eol;
    m_lines.insert(m_lines.begin() + at, {key + QLatin1Char('=') + value, {}, true, m_eol});
    return true;
}

bool IniDocument::removeKey(QStringView section, QStringView key)
{
    const qsizetype header = findSection(section);
    const qsizetype line = header < 0 ? -1 : findKey(header, key);
    if (line < 0)
        return false;
    m_lines.erase(m_lines.begin() + line);
    return true;
}

QByteArray IniDocument::serialize() const
{
    const bool utf8 = m_encoding == Encoding::Utf8 || m_encoding == Encoding::Utf8Bom;
    if (utf8) {
        QByteArray out =
            m_encoding == Encoding::Utf8Bom ? QByteArray("\xef\xbb\xbf") : QByteArray();
        for (const Line &line : m_lines)
            out += (line.changed ? line.text.toUtf8() : line.raw) + line.eol;
        return out;
    }
    QString text;
    for (const Line &line : m_lines)
        text += line.text + QString::fromLatin1(line.eol);
    const bool le = m_encoding == Encoding::Utf16LE;
    QStringEncoder encoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return (le ? QByteArray("\xff\xfe") : QByteArray("\xfe\xff")) + QByteArray(encoder(text));
}
