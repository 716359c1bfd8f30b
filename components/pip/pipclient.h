#pragma once

#include "components/pip/logsession.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

// The process-wide state behind the TessalyPIP entry points: the product's identity, the
// display names, the crash-detection flag and the LogSession session, which records only while
// the user's "OptIn" choice allows it.
class PipClient
{
public:
    struct Identity
    {
        QString product;
        QString productCode;
        QString majorVersion;
        QString fullVersion;
        QString locale;
        int startMode = 0;
        QString libraryFolder;
        QString productLineId;
    };

    static PipClient &instance();

    int32_t initialize(const Identity &identity);
    int32_t setDisplayNames(const QStringList &names, int listMode);
    int32_t terminate();
    UTLogHandle logHandle();
    int32_t displayOptInOutDialog();
    int32_t enableCrashDetection(bool enable);

    // "Software\Tessaly\CommonFiles\Usage\<product-line id>" below HKEY_CURRENT_USER.
    static QString optInKeyPath(const QString &productLineId);
    // The "OptIn" value, -1 when the key or value is missing or not a number.
    static int optInState(const QString &productLineId);
    // Whether a session of that start mode records for that "OptIn" state.
    static bool recordsFor(int startMode, int optInState);
    // $XDG_DATA_HOME/tessaly/usage/<product-line id>, the id made safe as one folder name.
    static QString recordFolder(const QString &productLineId);

private:
    PipClient() = default;
    bool updateRecording();

    std::recursive_mutex m_mutex;
    std::optional<Identity> m_identity;
    QStringList m_displayNames;
    bool m_crashDetection = false;
    UTLogHandle m_session = nullptr;
};
