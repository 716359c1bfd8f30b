#include "services/logsessionlibrary.h"

LogSessionLibrary::~LogSessionLibrary()
{
    unload();
}

bool LogSessionLibrary::load(const QString &folder)
{
    unload();
    m_library.setFileName(folder + QStringLiteral("/libLogSession.so"));
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return false;
    }
    newDataGroup = reinterpret_cast<UTNewDataGroupFn>(m_library.resolve("UTNewDataGroup"));
    addToGroup = reinterpret_cast<UTAddToGroupFn>(m_library.resolve("UTAddToGroup"));
    logEvent = reinterpret_cast<UTLogEventFn>(m_library.resolve("UTLogEvent"));
    if (!newDataGroup || !addToGroup || !logEvent) {
        m_error = QStringLiteral("missing recording functions in ") + m_library.fileName();
        unload();
        return false;
    }
    m_loaded = true;
    return true;
}

void LogSessionLibrary::unload()
{
    if (m_library.isLoaded())
        m_library.unload();
    m_loaded = false;
    newDataGroup = nullptr;
    addToGroup = nullptr;
    logEvent = nullptr;
}
