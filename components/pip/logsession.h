#pragma once

// The interface of the event recorder "LogSession" (libLogSession.so). TessalyPIP opens one
// session per product; the host gets the session's handle from TessalyPIPGetLogHandle and
// records through the three UT functions.
//
// Each record is one JSON object on one line (UTF-8, '\n' at the end) appended to
// <folder>/events-<n>.jsonl. Every record carries "time" (UTC, ISO 8601 with milliseconds),
// "session" (one id per session), "product", "productCode", "productLine", "version", "locale"
// and "type":
// - "group": UTAddToGroup; "groupId", "group" (the group's name), "category", "name".
// - "event": UTLogEvent; "category", "name", "detail", "value1", "value2".
// A text longer than UT_MAX_TEXT_BYTES is cut at a character boundary and the record gets
// "truncated": true. A file grows to at most the file limit (1 MiB unless set otherwise): a
// record that would take it past the limit starts the next file. Only the newest files up to the
// file count limit (16) are kept. Appends of several processes to one folder are serialised.
//
// Texts are NUL-terminated UTF-8 (invalid sequences are recorded as U+FFFD); a NULL text is an
// empty one. Every function returns UT_OK or one of the UT_E_* codes. A handle that is not an
// open session is refused with UT_E_INVALID_HANDLE, so a handle kept past the end of its session
// does no harm.

#include <cstdint>

#if defined(TESSALY_LOGSESSION_BUILDING)
#define TESSALY_LOGSESSION_EXPORT __attribute__((visibility("default")))
#else
#define TESSALY_LOGSESSION_EXPORT
#endif

extern "C" {

typedef struct UTSession *UTLogHandle;

enum UTStatus : int32_t {
    UT_OK = 0,
    UT_E_INVALID_HANDLE = -1,
    UT_E_INVALID_ARGUMENT = -2,
    // The session does not record (the user has not opted in); nothing was written.
    UT_E_NOT_RECORDING = -3,
    UT_E_NO_SUCH_GROUP = -4,
    UT_E_LIMIT = -5,
    UT_E_STORAGE = -6,
};

enum : int32_t {
    UT_MAX_TEXT_BYTES = 8192,
    UT_MAX_GROUPS = 1024,
};

// What a session writes into every record, and where (all UTF-8).
struct UTSessionInfo
{
    const char *product;
    const char *productCode;
    const char *productLine;
    const char *version;
    const char *locale;
    const char *folder;
};

// Creates a group: action "Create" with the group's name (parentName is the enclosing group's,
// "" for none; flags and reserved are 0). *groupId receives the new id (1, 2, ...), and is left
// alone on failure.
TESSALY_LOGSESSION_EXPORT int32_t UTNewDataGroup(UTLogHandle log, const char *action,
                                                 const char *parentName, const char *groupName,
                                                 int32_t *groupId, int32_t flags, int32_t reserved);
// Records one member of a group.
TESSALY_LOGSESSION_EXPORT int32_t UTAddToGroup(UTLogHandle log, int32_t groupId,
                                               const char *category, const char *name);
// Records one event. The texts come most specific first: detail, name, category.
TESSALY_LOGSESSION_EXPORT int32_t UTLogEvent(UTLogHandle log, const char *detail, const char *name,
                                             const char *category, int32_t value1, int32_t value2);

// Session management, for TessalyPIP. A new session does not record until UTSetRecording.
TESSALY_LOGSESSION_EXPORT UTLogHandle UTOpenSession(const UTSessionInfo *info);
TESSALY_LOGSESSION_EXPORT void UTCloseSession(UTLogHandle log);
TESSALY_LOGSESSION_EXPORT int32_t UTSetRecording(UTLogHandle log, int32_t recording);
// The size past which a new file is started and how many files are kept (at least 1 each).
TESSALY_LOGSESSION_EXPORT int32_t UTSetStorageLimits(UTLogHandle log, int64_t maxFileBytes,
                                                     int32_t maxFiles);

typedef int32_t (*UTNewDataGroupFn)(UTLogHandle, const char *, const char *, const char *,
                                    int32_t *, int32_t, int32_t);
typedef int32_t (*UTAddToGroupFn)(UTLogHandle, int32_t, const char *, const char *);
typedef int32_t (*UTLogEventFn)(UTLogHandle, const char *, const char *, const char *, int32_t,
                                int32_t);

} // extern "C"
