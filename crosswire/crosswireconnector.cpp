#include "crosswire/crosswireconnector.h"

#include "components/caps/capslibrary.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/objectlock.h"
#include "crosswire/specifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QUrl>

#include "platform/shell/shell.h"

#include <csignal>

Q_LOGGING_CATEGORY(lcConnector, "tessaly.crosswire.connector", QtWarningMsg)

namespace KnObjects {

using Crosswire::Specifier;

namespace {

// The folder of a path, up to its last "\" or "/".
QString folderOf(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return cut < 0 ? QString() : path.left(cut);
}

// The program of a desktop entry's "Exec" line (its first word; field codes follow it).
QString desktopExec(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    // A desktop entry is a few lines; a huge file is not one.
    for (int lines = 0; !file.atEnd() && lines < 1000; ++lines) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.startsWith("Exec=")) {
            const QStringList words = QProcess::splitCommand(QString::fromUtf8(line.mid(5)));
            return words.isEmpty() ? QString() : words.first();
        }
    }
    return {};
}

} // namespace

CrosswireConnector::CrosswireConnector(const QString &capsLibraryPath, const QString &databasePath)
    : m_capsLibraryPath(capsLibraryPath)
    , m_databasePath(databasePath)
{
}
CrosswireConnector::~CrosswireConnector() = default;

bool CrosswireConnector::loadInstalled()
{
    const CapsLibrary caps(m_capsLibraryPath);
    if (!caps.isLoaded()) {
        qCDebug(lcConnector) << "configuration library not available:" << caps.errorString();
        m_installed.clear();
        return false;
    }
    CapsLibrary::Session session(caps, true, m_databasePath);
    if (!session.isOpen()) {
        m_installed.clear();
        return false;
    }
    const QString domain = QStringLiteral(PCD_CROSSWIRE_DOMAIN);
    QList<CWConnectorAppInfo> records;
    const QStringList names = session.subdomains(domain);
    for (const QString &name : names) {
        CWConnectorAppInfo record;
        for (int i = 0; i < CWConnectorAppInfo::FieldCount; ++i) {
            const auto field = static_cast<CWConnectorAppInfo::Field>(i);
            const std::optional<QString> value = session.value(
                domain, name, QString::fromLatin1(CWConnectorAppInfo::keyName(field)));
            if (value && !value->isEmpty())
                record.setValue(field, value->toUtf8());
        }
        if (record.specifier().isEmpty())
            record.setValue(CWConnectorAppInfo::Specifier, name.toUtf8());
        records.append(record);
    }
    const QStringList groupNames = session.subdomains(QStringLiteral(PCD_CROSSWIRE_GROUPS_DOMAIN));
    m_installed.setRecords(records);
    ObjectLock lock(*this);
    m_groups = groupNames;
    return true;
}

QStringList CrosswireConnector::validate() const
{
    QStringList faults;
    for (const CWConnectorAppInfo &record : m_installed.records()) {
        const QString spec = QString::fromUtf8(record.specifier());
        if (record.path().isEmpty() && record.redirectTo().isEmpty())
            faults.append(
                QStringLiteral("CrosswireConnector validation failed: Can't find app info for '") +
                spec + u'\'');
        else if (record.value(CWConnectorAppInfo::Group).isEmpty())
            faults.append(
                QStringLiteral(
                    "CrosswireConnector validation failed: Can't find group entry for '") +
                spec + u'\'');
    }
    return faults;
}

QStringList CrosswireConnector::groups() const
{
    ObjectLock lock(*this);
    return m_groups;
}

bool CrosswireConnector::isInstalled(const QByteArray &target) const
{
    return m_installed.find(target).has_value();
}

QByteArray CrosswireConnector::resolve(const QByteArray &target) const
{
    const std::optional<CWConnectorAppInfo> record = m_installed.find(target);
    return record ? record->specifier() : QByteArray();
}

QByteArray CrosswireConnector::launchArguments(const QByteArray &resolved, const QByteArray &target,
                                               const QByteArray &launchParams)
{
    if (launchParams.contains("-noparam"))
        return {};
    QByteArray arguments = "-specifier " + resolved + " -nostartupscreen";
    const Specifier spec(target);
    if (!spec.instance().isEmpty())
        arguments += " -instance " + spec.instance();
    if (!launchParams.isEmpty())
        arguments += ' ' + launchParams;
    return arguments;
}

bool CrosswireConnector::launch(const QByteArray &target, const QByteArray &launchParams,
                                bool background)
{
    CrosswireContext *context = CrosswireContext::current();
    if (target.size() > Specifier::kMaxLength || launchParams.size() > kMaxLaunchParamsLength ||
        !context)
        return false;
    Specifier spec(normalizeSpecifier(target));
    if (!spec.isValid())
        return false;
    spec.setEndpoint({});
    if (context->isRunning(spec.text()))
        return true;
    std::optional<CWConnectorAppInfo> record = m_installed.find(spec.text());
    if (!record)
        return false;
    const QByteArray resolved = record->specifier();
    const QByteArray arguments = launchArguments(resolved, spec.text(), launchParams);
    const QByteArray key = "LAUNCHPARAMS:" + resolved;
    if (CrosswireThread *thread = context->thread())
        thread->setValue(key, launchParams, kLaunchParamsExpirySeconds);
    const qint64 pid = launchProcess(record->path(), arguments, !background);
    if (pid < 0) {
        if (CrosswireThread *thread = context->thread())
            thread->setValue(key, {}, 0);
        return false;
    }
    if (pid > 0) {
        CWConnectorAppInfo runningRecord = *record;
        runningRecord.setProcessId(pid);
        m_running.add(runningRecord);
    }
    return true;
}

QString CrosswireConnector::developerOverride(const QString &path)
{
    const QString folder = folderOf(path);
    if (folder.isEmpty())
        return path;
    const QFileInfo link(folder + QStringLiteral("/DeveloperApp.lnk"));
    if (link.isSymLink()) {
        const QString target = link.symLinkTarget();
        if (!target.isEmpty())
            return target;
    }
    const QString desktop = folder + QStringLiteral("/DeveloperApp.desktop");
    if (QFileInfo::exists(desktop)) {
        const QString exec = desktopExec(desktop);
        if (!exec.isEmpty())
            return exec;
    }
    return path;
}

qint64 CrosswireConnector::launchProcess(const QByteArray &path, const QByteArray &arguments,
                                         bool foreground)
{
    Q_UNUSED(foreground);
    if (path.isEmpty())
        return -1;
    if (path.startsWith("https://")) {
        CrosswireContext *context = CrosswireContext::current();
        const QByteArray url =
            path + "?sender=" + (context ? context->ownSpecifier() : QByteArray());
        return Shell::openUrl(QUrl(QString::fromUtf8(url))) ? 0 : -1;
    }
    const QString program = developerOverride(QString::fromUtf8(path));
    const QStringList args = QProcess::splitCommand(QString::fromUtf8(arguments));
    qint64 pid = 0;
    if (!QProcess::startDetached(program, args, folderOf(program), &pid))
        return -1;
    return pid;
}

QByteArray CrosswireConnector::normalizeSpecifier(const QByteArray &text)
{
    return CWConnectorAppInfoList::normalize(text, m_installed, m_running);
}

bool CrosswireConnector::launchTarget(const QByteArray &target, const QByteArray &launchParams,
                                      bool background)
{
    return launch(target, launchParams, background);
}

bool CrosswireConnector::knowsRunningProcess(const QByteArray &specifier)
{
    const std::optional<CWConnectorAppInfo> record = m_running.find(specifier);
    if (!record || record->processId() <= 0)
        return false;
    // A process that ended is dropped.
    if (::kill(static_cast<pid_t>(record->processId()), 0) != 0) {
        m_running.remove(record->specifier());
        return false;
    }
    return true;
}

void CrosswireConnector::refreshCache(bool)
{
    loadInstalled();
}

} // namespace KnObjects
