#pragma once

#include "components/pip/logsession.h"

#include <QLibrary>
#include <QString>

// The event recorder "LogSession" (libLogSession.so), loaded when the first event is recorded
// from the folder the usage-logging library came from, with its three recording functions.
class LogSessionLibrary
{
public:
    LogSessionLibrary() = default;
    ~LogSessionLibrary();
    LogSessionLibrary(const LogSessionLibrary &) = delete;
    LogSessionLibrary &operator=(const LogSessionLibrary &) = delete;

    bool load(const QString &folder);
    void unload();
    bool isLoaded() const { return m_loaded; }
    QString errorString() const { return m_error; }

    UTNewDataGroupFn newDataGroup = nullptr;
    UTAddToGroupFn addToGroup = nullptr;
    UTLogEventFn logEvent = nullptr;

private:
    QLibrary m_library;
    bool m_loaded = false;
    QString m_error;
};
