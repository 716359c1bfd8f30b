#include "platform/registry/regvalue.h"

#include <QtEndian>

namespace {

QByteArray utf16Bytes(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

QString fromUtf16Bytes(const QByteArray &data)
{
    QString text;
    text.resize(data.size() / 2);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(data.constData() + 2 * i));
    return text;
}

} // namespace

RegValue::RegValue(RegType type, QByteArray data)
    : m_type(type)
    , m_data(std::move(data))
{
}

RegValue RegValue::fromString(const QString &text, RegType type)
{
    QByteArray data = utf16Bytes(text);
    data.append(2, '\0');
    return RegValue(type, data);
}

RegValue RegValue::fromDword(quint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return RegValue(REG_DWORD, data);
}

RegValue RegValue::fromQword(quint64 value)
{
    QByteArray data(8, '\0');
    qToLittleEndian(value, data.data());
    return RegValue(REG_QWORD, data);
}

RegValue RegValue::fromBinary(const QByteArray &bytes)
{
    return RegValue(REG_BINARY, bytes);
}

RegValue RegValue::fromStringList(const QStringList &list)
{
    QByteArray data;
    for (const QString &item : list) {
        data += utf16Bytes(item);
        data.append(2, '\0');
    }
    data.append(2, '\0');
    return RegValue(REG_MULTI_SZ, data);
}

bool RegValue::isString() const
{
    return m_type == REG_SZ || m_type == REG_EXPAND_SZ || m_type == REG_LINK;
}

QString RegValue::toString() const
{
    QString text = fromUtf16Bytes(m_data);
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

std::optional<quint32> RegValue::toDword() const
{
    if (m_data.size() != 4)
        return std::nullopt;
    if (m_type == REG_DWORD)
        return qFromLittleEndian<quint32>(m_data.constData());
    if (m_type == REG_DWORD_BIG_ENDIAN)
        return qFromBigEndian<quint32>(m_data.constData());
    return std::nullopt;
}

std::optional<quint64> RegValue::toQword() const
{
    if (m_type != REG_QWORD || m_data.size() != 8)
        return std::nullopt;
    return qFromLittleEndian<quint64>(m_data.constData());
}

QStringList RegValue::toStringList() const
{
    QStringList list = fromUtf16Bytes(m_data).split(QChar(0));
    // The data ends with an empty string and its terminator ("a\0b\0\0").
    while (!list.isEmpty() && list.constLast().isEmpty())
        list.removeLast();
    return list;
}

QString RegValue::typeName(RegType type)
{
    switch (type) {
    case REG_NONE:
        return QStringLiteral("REG_NONE");
    case REG_SZ:
        return QStringLiteral("REG_SZ");
    case REG_EXPAND_SZ:
        return QStringLiteral("REG_EXPAND_SZ");
    case REG_BINARY:
        return QStringLiteral("REG_BINARY");
    case REG_DWORD:
        return QStringLiteral("REG_DWORD");
    case REG_DWORD_BIG_ENDIAN:
        return QStringLiteral("REG_DWORD_BIG_ENDIAN");
    case REG_LINK:
        return QStringLiteral("REG_LINK");
    case REG_MULTI_SZ:
        return QStringLiteral("REG_MULTI_SZ");
    case REG_QWORD:
        return QStringLiteral("REG_QWORD");
    default:
        return QStringLiteral("REG_0x") + QString::number(type, 16);
    }
}

QString RegValue::displayText() const
{
    if (isString())
        return toString();
    if (const auto dword = toDword())
        return QString::number(*dword);
    if (const auto qword = toQword())
        return QString::number(*qword);
    if (m_type == REG_MULTI_SZ)
        return toStringList().join(QLatin1Char('\n'));
    return QString::fromLatin1(m_data.toHex(','));
}
