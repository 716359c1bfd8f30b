#pragma once

#include <QByteArray>
#include <QList>

#include <array>

namespace KnObjects {

// One application record of the messaging family: the keys of its registration in the product
// configuration database, plus the status and process id of a running instance.
class CWConnectorAppInfo
{
public:
    enum Field {
        Group,
        Specifier,
        Path,
        WindowClassName,
        DisplayName,
        BundleIdentifier,
        CrosswireVersion,
        AllowMultipleInstances,
        IsShellTool,
        MessageAuthentication,
        MessageDigest,
        SupportsSRTK,
        CrosswireCode,
        ExecutableBasename,
        ExecutableExtensionWin,
        ExecutableExtensionMac,
        ExecutableExtensionUnix,
        OMVDictionary,
        DeveloperInstallPath,
        RedirectTo,
        ExecutablePath,
        FieldCount
    };

    CWConnectorAppInfo();
    explicit CWConnectorAppInfo(const QByteArray &specifier, const QByteArray &path = {});

    // The registry key name of `field` ("Group", "Specifier", ...).
    static QByteArray keyName(Field field);
    // The field of a key name (compared without regard to case), FieldCount when unknown.
    static Field fieldForKey(const QByteArray &key);
    static QList<QByteArray> keyNames();

    const QByteArray &value(Field field) const { return m_values[field]; }
    void setValue(Field field, const QByteArray &value);

    // The lower-cased specifier text.
    const QByteArray &specifier() const { return m_values[Specifier]; }
    const QByteArray &path() const { return m_values[Path]; }
    const QByteArray &redirectTo() const { return m_values[RedirectTo]; }

    const QByteArray &status() const { return m_status; }
    void setStatus(const QByteArray &status) { m_status = status; }
    qint64 processId() const { return m_processId; }
    void setProcessId(qint64 processId) { m_processId = processId; }

    bool operator==(const CWConnectorAppInfo &other) const = default;

private:
    std::array<QByteArray, FieldCount> m_values;
    QByteArray m_status;
    qint64 m_processId = 0;
};

} // namespace KnObjects
