#include "crosswire/crosswireconnector.h"

#include "components/caps/capslibrary.h"
#include "crosswire/clock.h"
#include "crosswire/crosswirecontext.h"
#include "crosswire/crosswirethread.h"
#include "crosswire/objectlock.h"
#include "crosswire/specifier.h"
#include "platform/shell/shell.h"

#ifdef TESSALY_CROSSWIRE_DESKTOP
#include "platform/desktop/desktopconnection.h"
#endif

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QProcess>
#include <QUrl>
#include <QVersionNumber>

#include <algorithm>
#include <atomic>
#include <csignal>

Q_LOGGING_CATEGORY(lcConnector, "tessaly.crosswire.connector", QtWarningMsg)

namespace KnObjects {

using Crosswire::Specifier;

namespace {

// The family's programs that do not register in the configuration database: earlier releases
// of the Organizer, the Editor and the launcher, and the small tools that came with them. They
// are found only by asking whether they answer.
constexpr const char *kLegacySpecifiers[] = {
    "pxoorganizer-10.0-{LOCALE}",  "pxoorganizer-9.0-{LOCALE}",  "pxoorganizer-8.0-{LOCALE}",
    "pxoeditor-10.0-{LOCALE}",     "pxoeditor-9.0-{LOCALE}",     "pxoeditor-8.0-{LOCALE}",
    "pxolauncher-10.0-{LOCALE}",   "pxolauncher-9.0-{LOCALE}",   "pxoalbums-3.0-{LOCALE}",
    "pxoalbums-2.0-{LOCALE}",      "pxoslideshow-2.0-{LOCALE}",  "pxoslideshow-1.0-{LOCALE}",
    "pxoprintshop-3.0-{LOCALE}",   "pxoprintshop-2.0-{LOCALE}",  "pxobridge-2.0-{LOCALE}",
    "pxobridge-1.0-{LOCALE}",      "pxodownloader-2.0-{LOCALE}", "pxodownloader-1.0-{LOCALE}",
    "pxosharecenter-1.0-{LOCALE}", "pxobackup-1.0-{LOCALE}",     "pxocalendar-1.0-{LOCALE}",
    "pxoupdater-6.0-{LOCALE}",
};

// The updater takes no command line: it is always started bare.
constexpr const char *kStartedWithoutArguments = "pxoupdater";

// Normalised targets kept at most; a process talks to a handful.
constexpr qsizetype kMaxNormalizedTargets = 64;

uint64_t nextInstance()
{
    static std::atomic<uint64_t> count{0};
    return ++count;
}

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

// A command line the way QProcess::splitCommand reads it back.
QByteArray joinCommand(const QStringList &arguments)
{
    QByteArray line;
    for (const QString &argument : arguments) {
        if (!line.isEmpty())
            line += ' ';
        QByteArray word = argument.toUtf8();
        const bool plain = !word.isEmpty() && std::none_of(word.begin(), word.end(), [](char c) {
            return c == ' ' || c == '\t' || c == '\n' || c == '"';
        });
        if (plain) {
            line += word;
        } else {
            word.replace("\"", "\"\"\"");
            line += '"' + word + '"';
        }
    }
    return line;
}

// The specifier without its endpoint suffix.
QByteArray withoutEndpoint(const QByteArray &text)
{
    Specifier spec(text);
    spec.setEndpoint({});
    return spec.text();
}

QVersionNumber versionOf(const QByteArray &specifier)
{
    return QVersionNumber::fromString(QString::fromLatin1(Specifier(specifier).version()))
        .normalized();
}

// A version asked for: none matches any; a major version ("11") matches its minor versions; a
// full one matches the same numeric version.
bool versionMatches(const QByteArray &wanted, const QByteArray &version)
{
    if (wanted.isEmpty() || wanted == "0")
        return true;
    const QVersionNumber have =
        QVersionNumber::fromString(QString::fromLatin1(version)).normalized();
    if (have.isNull())
        return false;
    if (!wanted.contains('.')) {
        bool ok = false;
        const int major = wanted.toInt(&ok);
        return ok && have.majorVersion() == major;
    }
    return have == QVersionNumber::fromString(QString::fromLatin1(wanted)).normalized();
}

bool processLives(qint64 pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

QByteArray field(const QByteArray &path, const char *label, const QByteArray &value)
{
    return path + ";0;" + label + ";" + value + ";\n";
}

} // namespace

CrosswireConnector::CrosswireConnector(const QString &capsLibraryPath, const QString &databasePath)
    : m_capsLibraryPath(capsLibraryPath)
    , m_databasePath(databasePath)
    , m_instance(nextInstance())
{
}
CrosswireConnector::~CrosswireConnector() = default;

bool CrosswireConnector::loadInstalled()
{
    auto forget = [this] {
        m_installed.clear();
        ObjectLock lock(*this);
        m_groups.clear();
        m_loadedModTime.reset();
    };
    const CapsLibrary caps(m_capsLibraryPath);
    if (!caps.isLoaded()) {
        qCDebug(lcConnector) << "configuration library not available:" << caps.errorString();
        forget();
        return false;
    }
    // One consistent state of the database for the whole read, even while an installer writes.
    CapsLibrary::Session session(caps, true, m_databasePath);
    if (!session.isOpen()) {
        forget();
        return false;
    }
    const std::optional<int64_t> modTime = session.lastModified();
    {
        ObjectLock lock(*this);
        m_lastRefresh = Clock::nowSeconds();
        if (modTime && m_loadedModTime == modTime)
            return true;
    }
    const QString domain = QStringLiteral(PCD_CROSSWIRE_DOMAIN);
    QList<CWConnectorAppInfo> records;
    const QStringList names = session.subdomains(domain);
    for (const QString &name : names) {
        CWConnectorAppInfo record;
        for (int i = 0; i < CWConnectorAppInfo::FieldCount; ++i) {
            const auto key = static_cast<CWConnectorAppInfo::Field>(i);
            const std::optional<QString> value =
                session.value(domain, name, QString::fromLatin1(CWConnectorAppInfo::keyName(key)));
            if (value && !value->isEmpty())
                record.setValue(key, value->toUtf8());
        }
        if (record.specifier().isEmpty())
            record.setValue(CWConnectorAppInfo::Specifier, name.toUtf8());
        records.append(record);
    }
    const QString groupDomain = QStringLiteral(PCD_CROSSWIRE_GROUPS_DOMAIN);
    QList<Group> groups;
    for (const QString &name : session.subdomains(groupDomain)) {
        if (groups.size() >= kMaxGroups)
            break;
        Group group;
        group.name = name.toUtf8();
        group.displayName =
            session.value(groupDomain, name, QStringLiteral("DisplayName")).value_or(name).toUtf8();
        group.preferredApp = session.value(groupDomain, name, QStringLiteral("PreferredApp"))
                                 .value_or(QString())
                                 .toUtf8()
                                 .toLower();
        groups.append(group);
    }
    m_installed.setRecords(records);
    {
        ObjectLock lock(*this);
        m_groups = groups;
        m_loadedModTime = modTime;
    }
    // Reported once per change of the database, in the messaging log and as a warning.
    CrosswireContext *context = CrosswireContext::current();
    for (const QString &fault : validate()) {
        qCWarning(lcConnector).noquote() << fault;
        if (context)
            context->log(fault.toUtf8());
    }
    return true;
}

QStringList CrosswireConnector::validate() const
{
    QStringList faults;
    const QList<Group> definitions = groups();
    auto defined = [&definitions](const QByteArray &name) {
        return std::any_of(definitions.begin(), definitions.end(), [&name](const Group &group) {
            return group.name.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    for (const CWConnectorAppInfo &record : m_installed.records()) {
        const QString spec = QString::fromUtf8(record.specifier());
        const QByteArray group = record.value(CWConnectorAppInfo::Group);
        if (record.path().isEmpty() && record.redirectTo().isEmpty())
            faults.append(
                QStringLiteral("CrosswireConnector validation failed: Can't find app info for '") +
                spec + u'\'');
        else if (record.redirectTo().isEmpty() && (group.isEmpty() || !defined(group)))
            faults.append(
                QStringLiteral(
                    "CrosswireConnector validation failed: Can't find group entry for '") +
                spec + u'\'');
    }
    return faults;
}

QList<CrosswireConnector::Group> CrosswireConnector::groups() const
{
    ObjectLock lock(*this);
    return m_groups;
}

void CrosswireConnector::setGroups(const QList<Group> &groups)
{
    ObjectLock lock(*this);
    m_groups = groups.mid(0, kMaxGroups);
}

std::optional<CWConnectorAppInfo> CrosswireConnector::record(const QByteArray &target) const
{
    const QByteArray bare =
        withoutEndpoint(CWConnectorAppInfoList::normalize(target, m_installed, m_running));
    if (bare.isEmpty())
        return std::nullopt;
    if (std::optional<CWConnectorAppInfo> installed = m_installed.find(bare))
        return installed;
    return m_running.find(bare);
}

QByteArray CrosswireConnector::getSpecifier(const QByteArray &app, const QByteArray &version,
                                            const QByteArray &locale) const
{
    Specifier spec(app);
    if (!spec.isValid() || spec.application().isEmpty())
        return {};
    if (!version.isEmpty() && version != "0")
        spec.setVersion(version);
    if (!locale.isEmpty())
        spec.setLocale(locale.toLower());
    // Only installed records count: the best match is an installed application.
    const CWConnectorAppInfoList none;
    const QByteArray best = CWConnectorAppInfoList::normalize(spec.text(), m_installed, none);
    const std::optional<CWConnectorAppInfo> record = m_installed.find(best);
    return record ? best : QByteArray();
}

QByteArrayList CrosswireConnector::getTargets(const QByteArray &version,
                                              const QByteArray &locale) const
{
    QByteArrayList targets;
    const QByteArray wantedLocale = locale.toLower();
    for (const CWConnectorAppInfo &record : m_installed.records()) {
        const Specifier spec(record.specifier());
        if (!spec.isValid() || !versionMatches(version, spec.version()))
            continue;
        if (!wantedLocale.isEmpty() && spec.locale() != wantedLocale)
            continue;
        targets.append(spec.text());
    }
    std::sort(targets.begin(), targets.end());
    return targets;
}

bool CrosswireConnector::isInstalled(const QByteArray &target) const
{
    return !resolve(target).isEmpty();
}

QByteArray CrosswireConnector::resolve(const QByteArray &target) const
{
    const QByteArray bare =
        withoutEndpoint(CWConnectorAppInfoList::normalize(target, m_installed, m_running));
    const std::optional<CWConnectorAppInfo> record = m_installed.find(bare);
    return record ? record->specifier() : QByteArray();
}

bool CrosswireConnector::isRunning(const QByteArray &target)
{
    const QByteArray bare = withoutEndpoint(normalizeSpecifier(target));
    if (bare.isEmpty())
        return false;
    if (CrosswireContext *context = CrosswireContext::current())
        return context->isRunning(bare);
    return knowsRunningProcess(bare);
}

QByteArray CrosswireConnector::launchArguments(const QByteArray &resolved, const QByteArray &target,
                                               const QByteArray &launchParams)
{
    if (launchParams.contains("-noparam") || launchesWithoutArguments(resolved))
        return {};
    QByteArray arguments = "-specifier " + resolved + " -nostartupscreen";
    const Specifier spec(target);
    if (!spec.instance().isEmpty())
        arguments += " -instance " + spec.instance();
    if (!launchParams.isEmpty())
        arguments += ' ' + launchParams;
    return arguments;
}

bool CrosswireConnector::launchesWithoutArguments(const QByteArray &specifier)
{
    return Specifier(specifier).application() == kStartedWithoutArguments;
}

bool CrosswireConnector::launch(const QByteArray &target, const QByteArray &launchParams,
                                bool background)
{
    CrosswireContext *context = CrosswireContext::current();
    if (target.size() > Specifier::kMaxLength || launchParams.size() > kMaxLaunchParamsLength ||
        !context)
        return false;
    const QByteArray bare = withoutEndpoint(normalizeSpecifier(target));
    if (bare.isEmpty())
        return false;
    if (context->isRunning(bare))
        return true;
    // find() falls back to the record without the instance part.
    const std::optional<CWConnectorAppInfo> installed = m_installed.find(bare);
    if (!installed) {
        qCDebug(lcConnector) << "not installed:" << bare;
        return false;
    }
    const QByteArray resolved = installed->specifier();
    const QByteArray arguments = launchArguments(resolved, bare, launchParams);
    const QByteArray key = "LAUNCHPARAMS:" + resolved;
    CrosswireThread *thread = context->thread();
    if (thread)
        thread->setValue(key, launchParams, kLaunchParamsExpirySeconds);
    const qint64 pid = launchProcess(installed->path(), arguments, !background);
    if (pid < 0) {
        if (thread)
            thread->removeValue(key);
        return false;
    }
    if (pid > 0) {
        CWConnectorAppInfo runningRecord = *installed;
        runningRecord.setProcessId(pid);
        runningRecord.setStatus("LAUNCHED");
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
    // A detached X11 program decides itself how its first window shows; a background launch
    // cannot be told apart here.
    Q_UNUSED(foreground);
    QByteArray program = path;
    // A registered path may come quoted, as it would on a command line.
    if (program.size() >= 2 && program.startsWith('"') && program.endsWith('"'))
        program = program.mid(1, program.size() - 2);
    if (program.isEmpty())
        return -1;
    if (program.startsWith("https://")) {
        CrosswireContext *context = CrosswireContext::current();
        const QByteArray url =
            program + "?sender=" + (context ? context->ownSpecifier() : QByteArray());
        return Shell::openUrl(QUrl(QString::fromUtf8(url))) ? 0 : -1;
    }
    const QString executable = developerOverride(QString::fromUtf8(program));
    const QStringList args = QProcess::splitCommand(QString::fromUtf8(arguments));
    qint64 pid = 0;
    if (!QProcess::startDetached(executable, args, folderOf(executable), &pid)) {
        qCWarning(lcConnector) << "cannot start" << executable;
        return -1;
    }
    return pid;
}

bool CrosswireConnector::bringToFront(const QByteArray &target)
{
    const std::optional<CWConnectorAppInfo> found = record(target);
    if (!found)
        return false;
    const QString windowClass =
        QString::fromUtf8(found->value(CWConnectorAppInfo::WindowClassName));
    if (windowClass.isEmpty())
        return false;
#ifdef TESSALY_CROSSWIRE_DESKTOP
    DesktopConnection desktop;
    if (!desktop.isValid())
        return false;
    QList<quint32> candidates;
    for (const DesktopWindow &window : desktop.topLevelWindows()) {
        if (window.className == windowClass)
            candidates.append(window.id);
    }
    if (candidates.isEmpty())
        return false;
    // The topmost of them, as a search of the window list from the top finds it.
    quint32 chosen = candidates.last();
    const QList<quint32> stacking = desktop.stackingOrder();
    for (qsizetype i = stacking.size() - 1; i >= 0; --i) {
        if (candidates.contains(stacking[i])) {
            chosen = stacking[i];
            break;
        }
    }
    desktop.activate(chosen);
    return true;
#else
    return false;
#endif
}

QByteArray CrosswireConnector::getDisplayName(const QByteArray &target) const
{
    const std::optional<CWConnectorAppInfo> found = record(target);
    return found ? found->value(CWConnectorAppInfo::DisplayName) : QByteArray();
}

QByteArray CrosswireConnector::getAppPath(const QByteArray &target) const
{
    const std::optional<CWConnectorAppInfo> found = record(target);
    return found ? found->path() : QByteArray();
}

QByteArray CrosswireConnector::getStatus(const QByteArray &target)
{
    const QByteArray bare = withoutEndpoint(normalizeSpecifier(target));
    if (bare.isEmpty())
        return {};
    if (!isRunning(bare))
        return isInstalled(bare) ? QByteArray("ISNOTRUNNING") : QByteArray("ISNOTINSTALLED");
    CrosswireContext *context = CrosswireContext::current();
    const QByteArray status = context ? context->ping(bare, "STATUS") : QByteArray();
    return status.isEmpty() ? QByteArray("UNDEFINED") : status;
}

QByteArray CrosswireConnector::getInfo(const QByteArray &target, const QByteArray &key) const
{
    const std::optional<CWConnectorAppInfo> found = record(target);
    if (!found)
        return {};
    if (key.compare("Status", Qt::CaseInsensitive) == 0 ||
        key.compare("ProcessID", Qt::CaseInsensitive) == 0) {
        const std::optional<CWConnectorAppInfo> live = m_running.find(found->specifier());
        if (!live)
            return {};
        return key.compare("Status", Qt::CaseInsensitive) == 0
                   ? live->status()
                   : QByteArray::number(live->processId());
    }
    const CWConnectorAppInfo::Field wanted = CWConnectorAppInfo::fieldForKey(key);
    return wanted == CWConnectorAppInfo::FieldCount ? QByteArray() : found->value(wanted);
}

QList<CWConnectorAppInfo> CrosswireConnector::groupMembers(const QByteArray &group) const
{
    QList<CWConnectorAppInfo> members;
    for (const CWConnectorAppInfo &candidate : m_installed.records()) {
        if (!group.isEmpty() &&
            candidate.value(CWConnectorAppInfo::Group).compare(group, Qt::CaseInsensitive) == 0)
            members.append(candidate);
    }
    return members;
}

QByteArray CrosswireConnector::getPreferredApp(const QByteArray &group) const
{
    if (group.isEmpty())
        return {};
    QByteArray preferred;
    for (const Group &definition : groups()) {
        if (definition.name.compare(group, Qt::CaseInsensitive) == 0)
            preferred = definition.preferredApp;
    }
    if (!preferred.isEmpty()) {
        const QByteArray resolved = resolve(preferred);
        if (!resolved.isEmpty())
            return resolved;
    }
    const QList<CWConnectorAppInfo> members = groupMembers(group);
    const CWConnectorAppInfo *best = nullptr;
    for (const CWConnectorAppInfo &member : members) {
        if (!best || versionOf(member.specifier()) > versionOf(best->specifier()))
            best = &member;
    }
    return best ? best->specifier() : QByteArray();
}

QByteArray CrosswireConnector::getGroupForSpecifier(const QByteArray &specifier) const
{
    const std::optional<CWConnectorAppInfo> found = record(specifier);
    return found ? found->value(CWConnectorAppInfo::Group) : QByteArray();
}

QByteArray CrosswireConnector::getSpecifierForGroup(const QByteArray &group)
{
    const QByteArray preferred = getPreferredApp(group);
    if (preferred.isEmpty())
        return {};
    if (isRunning(preferred))
        return preferred;
    for (const CWConnectorAppInfo &member : groupMembers(group)) {
        if (member.specifier() != preferred && isRunning(member.specifier()))
            return member.specifier();
    }
    return preferred;
}

void CrosswireConnector::dropEndedProcesses()
{
    CrosswireContext *context = CrosswireContext::current();
    for (const CWConnectorAppInfo &entry : m_running.records()) {
        // A record without a process id was found by asking; it stays while it answers.
        const bool alive = entry.processId() > 0 ? processLives(entry.processId())
                                                 : context && context->isRunning(entry.specifier());
        if (!alive)
            m_running.remove(entry.specifier());
    }
}

bool CrosswireConnector::updateConnectorCache(bool scanRunningApplications)
{
    const bool read = loadInstalled();
    if (scanRunningApplications) {
        dropEndedProcesses();
        scanLegacyApplications();
    }
    return read;
}

void CrosswireConnector::refreshCache(bool scanRunningApplications)
{
    updateConnectorCache(scanRunningApplications);
}

QByteArrayList CrosswireConnector::legacySpecifiers()
{
    QByteArrayList list;
    for (const char *entry : kLegacySpecifiers)
        list.append(QByteArray(entry));
    return list;
}

QByteArray CrosswireConnector::userLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C || system.language() == QLocale::AnyLanguage ||
        system.territory() == QLocale::AnyTerritory)
        return "en_us";
    // "de_DE" → "de_de"; a script part ("zh_Hans_CN") is not part of the locale code here.
    const QStringList parts = system.name().split(u'_');
    return (parts.first() + u'_' + parts.last()).toLower().toLatin1();
}

int CrosswireConnector::scanLegacyApplications()
{
    CrosswireContext *context = CrosswireContext::current();
    if (!context)
        return 0;
    const QByteArray locale = userLocale();
    int found = 0;
    for (QByteArray entry : legacySpecifiers()) {
        entry.replace("{LOCALE}", locale);
        if (m_installed.find(entry) || !context->isRunning(entry))
            continue;
        CWConnectorAppInfo legacy(entry, "(running)");
        legacy.setStatus("running");
        m_running.add(legacy);
        ++found;
    }
    return found;
}

CrosswireConnector::ProcessSetup CrosswireConnector::processSetup(const QByteArray &ownSpecifier,
                                                                  const QStringList &arguments)
{
    Specifier own(ownSpecifier);
    QByteArray instance;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i].compare(QLatin1String("-specifier"), Qt::CaseInsensitive) == 0)
            own = Specifier(arguments[++i].toUtf8());
        else if (arguments[i].compare(QLatin1String("-instance"), Qt::CaseInsensitive) == 0)
            instance = arguments[++i].toUtf8().toLower();
    }
    if (!instance.isEmpty() && own.isValid())
        own.setInstance(instance);
    return {own.text(), joinCommand(arguments)};
}

QByteArray CrosswireConnector::normalizeSpecifier(const QByteArray &text)
{
    // Every send asks, nearly always for the same few targets, and the answer changes only
    // with the lists it is worked out from.
    const uint64_t installed = m_installed.generation();
    const uint64_t running = m_running.generation();
    // A thread mostly sends to one target after the other: its last answer needs no lock.
    struct LastAnswer
    {
        const CrosswireConnector *connector = nullptr;
        uint64_t instance = 0;
        uint64_t installed = 0;
        uint64_t running = 0;
        QByteArray text;
        QByteArray normalized;
    };
    thread_local LastAnswer last;
    if (last.connector == this && last.instance == m_instance && last.installed == installed &&
        last.running == running && last.text == text)
        return last.normalized;
    auto remember = [&](const QByteArray &normalized) {
        last = {this, m_instance, installed, running, text, normalized};
        return normalized;
    };
    {
        std::lock_guard guard(m_normalized.mutex);
        if (m_normalized.installedGeneration != installed ||
            m_normalized.runningGeneration != running) {
            m_normalized.targets.clear();
            m_normalized.installedGeneration = installed;
            m_normalized.runningGeneration = running;
        } else if (const auto it = m_normalized.targets.constFind(text);
                   it != m_normalized.targets.cend()) {
            return remember(*it);
        }
    }
    QByteArray normalized = CWConnectorAppInfoList::normalize(text, m_installed, m_running);
    std::lock_guard guard(m_normalized.mutex);
    // Kept only when neither list changed while it was worked out.
    if (m_installed.generation() == installed && m_running.generation() == running &&
        m_normalized.installedGeneration == installed &&
        m_normalized.runningGeneration == running) {
        if (m_normalized.targets.size() >= kMaxNormalizedTargets)
            m_normalized.targets.clear();
        m_normalized.targets.insert(text, normalized);
        return remember(normalized);
    }
    return normalized;
}

bool CrosswireConnector::launchTarget(const QByteArray &target, const QByteArray &launchParams,
                                      bool background)
{
    return launch(target, launchParams, background);
}

bool CrosswireConnector::knowsRunningProcess(const QByteArray &specifier)
{
    const std::optional<CWConnectorAppInfo> known = m_running.find(specifier);
    if (!known || known->processId() <= 0)
        return false;
    // A process that ended is dropped.
    if (!processLives(known->processId())) {
        m_running.remove(known->specifier());
        return false;
    }
    return true;
}

QByteArray CrosswireConnector::diagnostics()
{
    QByteArray out = "/targets;1;Targets;;\n";
    CrosswireContext *context = CrosswireContext::current();
    out += field("/targets/connector", "Connector", context ? context->ownSpecifier() : "");
    auto records = [&](const char *path, const char *label, const QList<CWConnectorAppInfo> &list,
                       bool isRunningList) {
        const QByteArray base = QByteArray("/targets/") + path;
        out += base + ";1;" + label + ";" + QByteArray::number(list.size()) + ";\n";
        int index = 0;
        for (const CWConnectorAppInfo &entry : list) {
            const QByteArray at = base + '/' + QByteArray::number(index++);
            out += at + ";1;" + entry.specifier() + ";;\n";
            out += field(at + "/group", "Group", entry.value(CWConnectorAppInfo::Group));
            out += field(at + "/path", "Path", entry.path());
            out += field(at + "/displayname", "Display Name",
                         entry.value(CWConnectorAppInfo::DisplayName));
            out += field(at + "/authentication", "MsgAuthentication",
                         entry.value(CWConnectorAppInfo::MessageAuthentication));
            out +=
                field(at + "/digest", "MsgDigest", entry.value(CWConnectorAppInfo::MessageDigest));
            out += field(at + "/srtk", "SRTK", entry.value(CWConnectorAppInfo::SupportsSRTK));
            out += field(at + "/bundleid", "BundleID",
                         entry.value(CWConnectorAppInfo::BundleIdentifier));
            std::optional<CWConnectorAppInfo> live = isRunningList
                                                         ? std::optional<CWConnectorAppInfo>(entry)
                                                         : m_running.find(entry.specifier());
            if (live && !live->status().isEmpty())
                out += field(at + "/status", "Status",
                             live->status() +
                                 (live->processId() > 0
                                      ? " (pid " + QByteArray::number(live->processId()) + ")"
                                      : QByteArray()));
            else
                out += field(at + "/status", "Status", "(not running)");
            out += field(at + "/exename", "ExeName",
                         entry.value(CWConnectorAppInfo::ExecutableBasename));
        }
    };
    records("installed", "Installed", m_installed.records(), false);
    records("running", "Running", m_running.records(), true);
    const QList<Group> definitions = groups();
    if (definitions.isEmpty()) {
        out += "/targets/groups;0;Groups;(no groups defined);\n";
    } else {
        out += "/targets/groups;1;Groups;" + QByteArray::number(definitions.size()) + ";\n";
        int index = 0;
        for (const Group &group : definitions) {
            const QByteArray at = "/targets/groups/" + QByteArray::number(index++);
            out += at + ";1;" + group.name + ";" + group.displayName + ";\n";
            out += field(at + "/preferred", "Preferred App", getPreferredApp(group.name));
        }
    }
    return out;
}

} // namespace KnObjects
