// The C entry points of libLogSession.so over UsageSession.

#include "components/pip/logsession.h"
#include "components/pip/usagesession.h"

#include <map>
#include <memory>
#include <mutex>

struct UTSession
{
    std::shared_ptr<UsageSession> session;
};

namespace {

struct OpenSessions
{
    std::mutex mutex;
    std::map<const UTSession *, std::unique_ptr<UTSession>> byHandle;
};

OpenSessions &openSessions()
{
    static OpenSessions sessions;
    return sessions;
}

// The session behind a handle, kept alive for the call even when another thread closes it.
std::shared_ptr<UsageSession> sessionOf(UTLogHandle log)
{
    OpenSessions &open = openSessions();
    std::lock_guard lock(open.mutex);
    const auto it = open.byHandle.find(log);
    return it == open.byHandle.end() ? nullptr : it->second->session;
}

} // namespace

extern "C" {

TESSALY_LOGSESSION_EXPORT UTLogHandle UTOpenSession(const UTSessionInfo *info)
{
    if (!info || !info->folder || !*info->folder)
        return nullptr;
    auto handle = std::make_unique<UTSession>();
    handle->session = std::make_shared<UsageSession>(*info);
    UTLogHandle result = handle.get();
    OpenSessions &open = openSessions();
    std::lock_guard lock(open.mutex);
    open.byHandle.emplace(result, std::move(handle));
    return result;
}

TESSALY_LOGSESSION_EXPORT void UTCloseSession(UTLogHandle log)
{
    OpenSessions &open = openSessions();
    std::lock_guard lock(open.mutex);
    open.byHandle.erase(log);
}

TESSALY_LOGSESSION_EXPORT int32_t UTSetRecording(UTLogHandle log, int32_t recording)
{
    const auto session = sessionOf(log);
    if (!session)
        return UT_E_INVALID_HANDLE;
    session->setRecording(recording != 0);
    return UT_OK;
}

TESSALY_LOGSESSION_EXPORT int32_t UTSetStorageLimits(UTLogHandle log, int64_t maxFileBytes,
                                                     int32_t maxFiles)
{
    const auto session = sessionOf(log);
    if (!session)
        return UT_E_INVALID_HANDLE;
    if (maxFileBytes < 1 || maxFiles < 1)
        return UT_E_INVALID_ARGUMENT;
    session->setLimits(maxFileBytes, maxFiles);
    return UT_OK;
}

TESSALY_LOGSESSION_EXPORT int32_t UTNewDataGroup(UTLogHandle log, const char *action,
                                                 const char *parentName, const char *groupName,
                                                 int32_t *groupId, int32_t, int32_t)
{
    const auto session = sessionOf(log);
    if (!session)
        return UT_E_INVALID_HANDLE;
    return session->newGroup(action, parentName, groupName, groupId);
}

TESSALY_LOGSESSION_EXPORT int32_t UTAddToGroup(UTLogHandle log, int32_t groupId,
                                               const char *category, const char *name)
{
    const auto session = sessionOf(log);
    if (!session)
        return UT_E_INVALID_HANDLE;
    return session->addToGroup(groupId, category, name);
}

TESSALY_LOGSESSION_EXPORT int32_t UTLogEvent(UTLogHandle log, const char *detail, const char *name,
                                             const char *category, int32_t value1, int32_t value2)
{
    const auto session = sessionOf(log);
    if (!session)
        return UT_E_INVALID_HANDLE;
    return session->logEvent(detail, name, category, value1, value2);
}

} // extern "C"
