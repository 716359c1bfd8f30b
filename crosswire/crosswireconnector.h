#pragma once

#include "crosswire/crosswireconnectorhooks.h"
#include "crosswire/cwconnectorappinfolist.h"
#include "crosswire/solockable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace KnObjects {

// Knows the installed applications of the family (from the product configuration database)
// and the running ones, resolves specifiers against them and launches applications that do not
// run. One exists per process; the messaging core reaches it through its hooks.
class CrosswireConnector : public CrosswireConnectorHooks, public SoLockable
{
public:
    static constexpr qsizetype kMaxLaunchParamsLength = 65536;
    static constexpr int64_t kLaunchParamsExpirySeconds = 300;

    // `capsLibraryPath` and `databasePath` empty: the library beside the program and the
    // default database.
    explicit CrosswireConnector(const QString &capsLibraryPath = {},
                                const QString &databasePath = {});
    ~CrosswireConnector() override;

    // Reads the installed list again from the configuration library (a missing library or
    // database gives an empty list). Returns false when the database could not be read.
    bool loadInstalled();
    CWConnectorAppInfoList &installed() { return m_installed; }
    CWConnectorAppInfoList &running() { return m_running; }

    // The registry's faults, one message each ("CrosswireConnector validation failed: ...").
    QStringList validate() const;

    bool isInstalled(const QByteArray &target) const;
    // The full specifier of the installed record of `target`, empty when none.
    QByteArray resolve(const QByteArray &target) const;

    // The argument string of a launch of `resolved` for `target` with `launchParams`.
    static QByteArray launchArguments(const QByteArray &resolved, const QByteArray &target,
                                      const QByteArray &launchParams);
    bool launch(const QByteArray &target, const QByteArray &launchParams, bool background);
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

    // The group definitions read with the installed list.
    QStringList groups() const;

private:
    QString m_capsLibraryPath;
    QString m_databasePath;
    QStringList m_groups;
    CWConnectorAppInfoList m_installed;
    CWConnectorAppInfoList m_running;
};

} // namespace KnObjects
