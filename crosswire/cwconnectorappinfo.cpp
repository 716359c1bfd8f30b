#include "crosswire/cwconnectorappinfo.h"

namespace KnObjects {

namespace {

constexpr std::array<const char *, CWConnectorAppInfo::FieldCount> kKeyNames = {
    "Group",
    "Specifier",
    "Path",
    "WindowClassName",
    "DisplayName",
    "BundleIdentifier",
    "CrosswireVersion",
    "AllowMultipleInstances",
    "IsShellTool",
    "MessageAuthentication",
    "MessageDigest",
    "SupportsSRTK",
    "CrosswireCode",
    "ExecutableBasename",
    "ExecutableExtensionWin",
    "ExecutableExtensionMac",
    "ExecutableExtensionUnix",
    "OMVDictionary",
    "DeveloperInstallPath",
    "RedirectTo",
    "ExecutablePath",
};

} // namespace

CWConnectorAppInfo::CWConnectorAppInfo()
{
    m_values[ExecutableExtensionWin] = "exe";
}

CWConnectorAppInfo::CWConnectorAppInfo(const QByteArray &specifier, const QByteArray &path)
    : CWConnectorAppInfo()
{
    setValue(Specifier, specifier);
    setValue(Path, path);
}

QByteArray CWConnectorAppInfo::keyName(Field field)
{
    return field >= 0 && field < FieldCount ? QByteArray(kKeyNames[field]) : QByteArray();
}

CWConnectorAppInfo::Field CWConnectorAppInfo::fieldForKey(const QByteArray &key)
{
    for (int i = 0; i < FieldCount; ++i) {
        if (key.compare(kKeyNames[i], Qt::CaseInsensitive) == 0)
            return static_cast<Field>(i);
    }
    return FieldCount;
}

QList<QByteArray> CWConnectorAppInfo::keyNames()
{
    QList<QByteArray> names;
    for (const char *name : kKeyNames)
        names.append(QByteArray(name));
    return names;
}

void CWConnectorAppInfo::setValue(Field field, const QByteArray &value)
{
    if (field < 0 || field >= FieldCount)
        return;
    // Specifiers compare as lower-cased text everywhere in the messaging library.
    m_values[field] = (field == Specifier || field == RedirectTo) ? value.toLower() : value;
}

} // namespace KnObjects
