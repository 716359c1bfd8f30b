#pragma once

#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/cwconnectorappinfolist.h"
#include "crosswire/solockable.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>

#include <QHash>

#include <cstdint>
#include <mutex>
#include <optional>

namespace KnObjects {

// Knows the installed applications of the family (from the product configuration database)
// and the running ones, resolves specifiers against them, launches applications that do not
// run, brings their windows to the front and reports its state in the diagnostics tree. One
// exists per process as the messaging context's hooks; every operation returns false or an
// empty value on failure and throws nothing.
class CrosswireConnector : public CrosswireConnectorHooks, public SoLockable
{
public:
    static constexpr qsizetype kMaxLaunchParamsLength = 65536;
    static constexpr int64_t kLaunchParamsExpirySeconds = 300;
    // Group definitions read from the database, at most.
    static constexpr int kMaxGroups = 1024;

    // A group definition: the applications whose "Group" names it form the group.
    struct Group
    {
        QByteArray name;
        QByteArray displayName;
        QByteArray preferredApp;
        bool operator==(const Group &other) const = default;
    };

    // What a launched process learns from its command line.
    struct ProcessSetup
    {
        QByteArray specifier;    // the own specifier, "-specifier" and "-instance" applied
        QByteArray launchParams; // the whole command line, empty when there was none
    };

    // `capsLibraryPath` and `databasePath` empty: the library beside the program and the
    // default database.
    explicit CrosswireConnector(const QString &capsLibraryPath = {},
                                const QString &databasePath = {});
    ~CrosswireConnector() override;

    // Reads the installed list and the group definitions again from the configuration library
    // (a missing library or database gives empty lists). Returns false when the database could
    // not be read. An unchanged database is not read again.
    bool loadInstalled();
    CWConnectorAppInfoList &installed() { return m_installed; }
    CWConnectorAppInfoList &running() { return m_running; }
    const CWConnectorAppInfoList &installed() const { return m_installed; }
    const CWConnectorAppInfoList &running() const { return m_running; }

    // The registry's faults, one message each ("CrosswireConnector validation failed: ...").
    QStringList validate() const;

    // The operations of the messaging library and its script class.
    QByteArray getSpecifier(const QByteArray &app, const QByteArray &version,
                            const QByteArray &locale) const;
    QByteArrayList getTargets(const QByteArray &version, const QByteArray &locale) const;
    bool isInstalled(const QByteArray &target) const;
    bool isRunning(const QByteArray &target);
    bool launch(const QByteArray &target, const QByteArray &launchParams, bool background);
    // Activates the newest top-level window of the target's window class; false when none was
    // found (or there is no desktop to search).
    bool bringToFront(const QByteArray &target);
    QByteArray getDisplayName(const QByteArray &target) const;
    QByteArray getAppPath(const QByteArray &target) const;
    // The target's messaging status ("IDLE", "BUSY", ...), "ISNOTRUNNING" for an installed
    // target that does not run, "ISNOTINSTALLED" for one that neither is installed nor runs,
    // "UNDEFINED" when a running target does not answer.
    QByteArray getStatus(const QByteArray &target);
    // A key of the target's record ("DisplayName", "Path", ...; any letter case), "Status" and
    // "ProcessID" of its running instance.
    QByteArray getInfo(const QByteArray &target, const QByteArray &key) const;
    // The application that stands for `group`: the group's "PreferredApp" when it is
    // installed, else the member with the highest version.
    QByteArray getPreferredApp(const QByteArray &group) const;
    // The "Group" of the target's record.
    QByteArray getGroupForSpecifier(const QByteArray &specifier) const;
    // The member of `group` to talk to: a running one (the preferred one first), else the
    // preferred application.
    QByteArray getSpecifierForGroup(const QByteArray &group);
    // Reads the installed list again; with `scanRunningApplications` also drops running
    // records whose process ended and scans for the family's older applications.
    bool updateConnectorCache(bool scanRunningApplications);
    // The full specifier of the installed record of `target`, empty when none.
    QByteArray resolve(const QByteArray &target) const;
    QList<Group> groups() const;
    // Replaces the group definitions (the database read does it too).
    void setGroups(const QList<Group> &groups);

    // The family's applications that do not register in the configuration database, with
    // "{LOCALE}" where the user's locale goes; and the one started without arguments.
    static QByteArrayList legacySpecifiers();
    static bool launchesWithoutArguments(const QByteArray &specifier);
    // "en_us" when the system names no locale, else its language and country in lower case.
    static QByteArray userLocale();
    // Adds the legacy applications that answer but are not installed to the running list
    // (path "(running)"); returns how many were found.
    int scanLegacyApplications();

    // The own specifier and launch parameters from `arguments` (the program's arguments after
    // its name): "-specifier S" replaces `ownSpecifier`, "-instance I" sets its instance.
    static ProcessSetup processSetup(const QByteArray &ownSpecifier, const QStringList &arguments);
    // The argument string of a launch of `resolved` for `target` with `launchParams`.
    static QByteArray launchArguments(const QByteArray &resolved, const QByteArray &target,
                                      const QByteArray &launchParams);
    // Starts `path` with `arguments` (a web address goes to the shell); the new process id, 0
    // for a web address, -1 on failure.
    qint64 launchProcess(const QByteArray &path, const QByteArray &arguments, bool foreground);
    // What launchProcess starts for `path`: a developer override beside it, else `path`.
    static QString developerOverride(const QString &path);

    // CrosswireConnectorHooks
    QByteArray normalizeSpecifier(const QByteArray &text) override;
    bool launchTarget(const QByteArray &target, const QByteArray &launchParams,
                      bool background) override;
    bool knowsRunningProcess(const QByteArray &specifier) override;
    void refreshCache(bool scanRunningApplications) override;
    QByteArray diagnostics() override;

private:
    // The record of `target` (normalised, without endpoint suffix): installed first, then
    // running.
    std::optional<CWConnectorAppInfo> record(const QByteArray &target) const;
    QList<CWConnectorAppInfo> groupMembers(const QByteArray &group) const;
    void dropEndedProcesses();

    QString m_capsLibraryPath;
    QString m_databasePath;
    QList<Group> m_groups;
    std::optional<int64_t> m_loadedModTime;
    int64_t m_lastRefresh = 0;
    CWConnectorAppInfoList m_installed;
    CWConnectorAppInfoList m_running;

    // Targets already normalised against the lists of the generations below.
    struct NormalizedTargets
    {
        std::mutex mutex;
        uint64_t installedGeneration = 0;
        uint64_t runningGeneration = 0;
        QHash<QByteArray, QByteArray> targets;
    };
    NormalizedTargets m_normalized;
    // Tells this connector from an earlier one at the same address.
    const uint64_t m_instance;
};

} // namespace KnObjects
