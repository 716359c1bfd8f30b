#include "components/caps/capsapplicationrecord.h"

#include <QFileInfo>

#include <optional>

const QStringList &CapsApplicationRecord::keys()
{
    static const QStringList list = {
        QStringLiteral("Group"),
        QStringLiteral("Specifier"),
        QStringLiteral("Path"),
        QStringLiteral("WindowClassName"),
        QStringLiteral("DisplayName"),
        QStringLiteral("BundleIdentifier"),
        QStringLiteral("CrosswireVersion"),
        QStringLiteral("AllowMultipleInstances"),
        QStringLiteral("IsShellTool"),
        QStringLiteral("MessageAuthentication"),
        QStringLiteral("MessageDigest"),
        QStringLiteral("SupportsSRTK"),
        QStringLiteral("CrosswireCode"),
        QStringLiteral("ExecutableBasename"),
        QStringLiteral("ExecutableExtensionWin"),
        QStringLiteral("ExecutableExtensionMac"),
        QStringLiteral("ExecutableExtensionUnix"),
        QStringLiteral("OMVDictionary"),
        QStringLiteral("DeveloperInstallPath"),
        QStringLiteral("RedirectTo"),
        QStringLiteral("ExecutablePath"),
    };
    return list;
}

QString CapsApplicationRecord::defaultValue(const QString &key)
{
    if (key.compare(QLatin1String("ExecutableExtensionWin"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("exe");
    return {};
}

QString CapsApplicationRecord::canonicalKey(const QString &key)
{
    for (const QString &name : keys()) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

const QStringList &CapsApplicationRecord::groupKeys()
{
    static const QStringList list = {QStringLiteral("DisplayName"), QStringLiteral("PreferredApp")};
    return list;
}

QString CapsApplicationRecord::applicationPart(const QString &specifier)
{
    qsizetype end = specifier.size();
    for (QChar c : {QLatin1Char('-'), QLatin1Char('#'), QLatin1Char('_')}) {
        const qsizetype at = specifier.indexOf(c);
        if (at >= 0 && at < end)
            end = at;
    }
    return specifier.left(end);
}

QString CapsApplicationRecord::specifierProblem(const QString &specifier)
{
    if (specifier.isEmpty())
        return QStringLiteral("the specifier is empty");
    if (specifier.size() >= 256)
        return QStringLiteral("the specifier has 256 characters or more");
    if (applicationPart(specifier).isEmpty())
        return QStringLiteral("the specifier has no application part");
    for (QChar c : specifier) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return QStringLiteral("the specifier holds a blank or a control character");
        if (c == QLatin1Char('#'))
            return QStringLiteral("an endpoint suffix (\"#\") names a thread, not an application");
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("the specifier holds a path separator");
    }
    return {};
}

CapsValues CapsApplicationRecord::complete(const QString &specifier, const CapsValues &given)
{
    auto lookup = [&](const QString &key) -> std::optional<QString> {
        for (const auto &[name, value] : given) {
            if (name.compare(key, Qt::CaseInsensitive) == 0)
                return value;
        }
        return std::nullopt;
    };
    const QString path = lookup(QStringLiteral("Path")).value_or(QString());
    const QString executable = lookup(QStringLiteral("ExecutablePath")).value_or(path);
    const QString basename =
        lookup(QStringLiteral("ExecutableBasename")).value_or(QFileInfo(executable).fileName());

    // Values that follow from others when not given: the record names itself, the program's
    // file name doubles as its window class (Qt sets WM_CLASS from it) and display name, and an
    // application forms its own group.
    auto derived = [&](const QString &key) -> QString {
        if (key == QLatin1String("Specifier"))
            return specifier;
        if (key == QLatin1String("Group"))
            return applicationPart(specifier);
        if (key == QLatin1String("ExecutablePath"))
            return executable;
        if (key == QLatin1String("Path"))
            return path.isEmpty() ? executable : path;
        if (key == QLatin1String("ExecutableBasename") || key == QLatin1String("WindowClassName") ||
            key == QLatin1String("DisplayName"))
            return basename;
        return defaultValue(key);
    };
    CapsValues record;
    for (const QString &key : keys())
        record.append({key, lookup(key).value_or(derived(key))});
    return record;
}
