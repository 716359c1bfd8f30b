#include "platform/registry/regwriter.h"

#include "platform/registry/regdocument.h"

namespace {

QByteArray quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + escaped.toUtf8() + '"';
}

// True when the data is exactly what "text" in a .reg file stands for.
bool isPlainString(const RegValue &value)
{
    if (value.type() != REG_SZ)
        return false;
    const QString text = value.toString();
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        return false;
    // Also rules out lone surrogates, which UTF-8 cannot carry.
    return RegValue::fromString(text) == value && QString::fromUtf8(text.toUtf8()) == text;
}

QByteArray hexList(QByteArray line, const QByteArray &bytes)
{
    // Wrapped as the registry editor does: no line longer than 80 characters, continuation
    // lines indented by two spaces.
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        line += QByteArray::number(uchar(bytes[i]), 16).rightJustified(2, '0');
        if (i + 1 < bytes.size()) {
            line += ',';
            if (line.size() - line.lastIndexOf('\n') > 76)
                line += "\\\n  ";
        }
    }
    return line;
}

// Kept lines go back as they stood. One that ends in a backslash gets a blank line after it, so
// that on the next read it cannot take the line after it in as a continuation (in the file it
// came from it was followed by a blank line or nothing).
void writeKept(QByteArray &out, const QByteArrayList &lines)
{
    for (const QByteArray &line : lines) {
        out += line + '\n';
        if (line.trimmed().endsWith('\\'))
            out += '\n';
    }
}

void writeKey(QByteArray &out, const HiveKey &key, const QString &fullPath, bool withKept)
{
    const bool isRoot = key.name().isEmpty();
    if (!isRoot || !key.values().empty() || (withKept && !key.keptLines().isEmpty())) {
        out += "\n[" + fullPath.toUtf8() + "]\n";
        for (const HiveKey::Value &value : key.values())
            out += RegWriter::valueLine(value) + '\n';
        if (withKept)
            writeKept(out, key.keptLines());
    }
    for (const auto &child : key.children())
        writeKey(out, *child, fullPath + QLatin1Char('\\') + child->name(), withKept);
}

} // namespace

QByteArray RegWriter::valueLine(const HiveKey::Value &value)
{
    QByteArray line = value.name.isEmpty() ? QByteArray("@") : quoted(value.name);
    line += '=';
    const RegValue &data = value.value;
    if (isPlainString(data))
        return line + quoted(data.toString());
    if (data.type() == REG_DWORD && data.data().size() == 4)
        return line + "dword:" + QByteArray::number(*data.toDword(), 16).rightJustified(8, '0');
    if (data.type() == REG_BINARY)
        return hexList(line + "hex:", data.data());
    return hexList(line + "hex(" + QByteArray::number(data.type(), 16) + "):", data.data());
}

QByteArray RegWriter::hiveFile(const Hive &hive)
{
    QByteArray out = QByteArray(Header) + '\n';
    writeKept(out, hive.preamble());
    writeKey(out, hive.rootKey(), RegDocument::rootName(hive.root()), true);
    return out;
}

QByteArray RegWriter::exportKey(const Hive &hive, QStringView path)
{
    const auto parts = Hive::splitPath(path);
    if (!parts)
        return {};
    // The sections carry the names as stored, whatever case the caller used.
    const HiveKey *key = &hive.rootKey();
    QString fullPath = RegDocument::rootName(hive.root());
    for (const QString &part : *parts) {
        key = key->child(part);
        if (!key)
            return {};
        fullPath += QLatin1Char('\\') + key->name();
    }
    QByteArray out = QByteArray(Header) + '\n';
    writeKey(out, *key, fullPath, false);
    return out;
}
