#pragma once

#include "platform/registry/regtypes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// One typed registry value: its type and its data exactly as the registry holds them (strings as
// UTF-16LE with a terminating zero, a DWORD as four little-endian bytes), so values of any type,
// including types this program never writes itself, survive a read and a rewrite unchanged.
class RegValue
{
public:
    RegValue() = default;
    RegValue(RegType type, QByteArray data);

    static RegValue fromString(const QString &text, RegType type = REG_SZ);
    static RegValue fromDword(quint32 value);
    static RegValue fromQword(quint64 value);
    static RegValue fromBinary(const QByteArray &bytes);
    static RegValue fromStringList(const QStringList &list);

    RegType type() const { return m_type; }
    const QByteArray &data() const { return m_data; }

    // REG_SZ, REG_EXPAND_SZ (and REG_LINK): text up to the first zero character.
    bool isString() const;
    QString toString() const;
    // Four bytes of REG_DWORD (or REG_DWORD_BIG_ENDIAN); nothing for any other shape.
    std::optional<quint32> toDword() const;
    std::optional<quint64> toQword() const;
    // REG_MULTI_SZ: the zero-separated strings, without the final empty one.
    QStringList toStringList() const;

    // "REG_SZ", "REG_DWORD", ... or "REG_0x1f" for a type without a name.
    static QString typeName(RegType type);
    // Data as the command-line tool prints it: text, a DWORD/QWORD in decimal, bytes as hex.
    QString displayText() const;

    friend bool operator==(const RegValue &a, const RegValue &b)
    {
        return a.m_type == b.m_type && a.m_data == b.m_data;
    }

private:
    RegType m_type = REG_NONE;
    QByteArray m_data;
};
