#pragma once

#include "services/piplibrary.h"
#include "services/usagelogidentity.h"

#include <QString>
#include <QStringList>

#include <memory>

// The launcher's side of the usage-logging library: whether to use it at all (machine policy),
// when to initialise it (start mode and the user's "OptIn" choice), where it comes from, and
// the identity it is handed. Used on the GUI thread, at start-up and shutdown.
class UsageLogClient
{
public:
    UsageLogClient();
    ~UsageLogClient();
    UsageLogClient(const UsageLogClient &) = delete;
    UsageLogClient &operator=(const UsageLogClient &) = delete;

    // The names handed to the library at initialisation; listMode 0 replaces, 1 adds.
    void setProductDisplayNames(const QStringList &names, int listMode);
    QStringList productDisplayNames() const { return m_displayNames; }

    // Keeps the start mode, then: nothing when the policy forbids; with start mode 1 and the
    // user not opted in, keeps the identity for later (deferred); else loads and initialises the
    // library. True when the library is initialised.
    bool initialize(const UsageLogIdentity &identity);
    // Carries out a deferred initialisation once the user has opted in (or at once with force,
    // when the user asks for the library's dialog). True when the library is initialised.
    bool initializeDeferred(bool force);
    // Terminates an initialised library, forgets a deferred initialisation and unloads.
    void stop();

    int startMode() const { return m_startMode; }
    bool isInitialized() const { return m_initialized; }
    bool hasDeferredInitialization() const { return m_deferred != nullptr; }
    const UsageLogIdentity *deferredIdentity() const { return m_deferred.get(); }
    PipLibrary &library() { return m_library; }
    const PipLibrary &library() const { return m_library; }
    // The product-line id of the identity in use (after the TS5.1 correction).
    QString productLineId() const { return m_productLineId; }

    // "OptIn" below HKEY_CURRENT_USER\Software\Tessaly\CommonFiles\Usage\<product-line id>;
    // -1 when the key or value is missing or unreadable.
    static int optInState(const QString &productLineId);
    // False only when HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Tessaly\TPIP holds "enabled" read as 0.
    static bool policyAllows();
    // Whether that opt-in state counts as opted in for that start mode.
    static bool countsAsOptedIn(int startMode, int optInState);
    // "TS5.1" becomes "TS5.5"; any other id stays.
    static QString correctedProductLineId(const QString &productLineId);

private:
    bool initializeNow(const UsageLogIdentity &identity);

    int m_startMode = 0;
    bool m_initialized = false;
    std::unique_ptr<UsageLogIdentity> m_deferred;
    QStringList m_displayNames;
    QString m_productLineId;
    PipLibrary m_library;
};
