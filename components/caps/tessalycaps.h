#pragma once

// The interface of the product configuration library "tessaly_caps" (libtessaly_caps.so), loaded
// at run time by name and reached through the C functions below.
//
// The database lives at <machine root>/caps/configuration.db (TESSALY_MACHINE_ROOT moves it) and
// holds two kinds of data:
// - domain data: domains ("/tessaly/crosswire/"), each with sub-domains ("pxoorganizer-11.0"),
//   each with keys and string values. A domain name always ends with "/" (one is added when
//   missing); domain, sub-domain and key names compare without regard to ASCII case. An
//   application of the messaging library is a sub-domain of "/tessaly/crosswire/", a group
//   definition a sub-domain of "/tessaly/crosswire/groups/". Domains are not nested: the
//   sub-domains of "/tessaly/crosswire/" are only the ones stored under that exact domain.
//   caps-tool writes every key of an application record ("Group", "Specifier", "Path", ...,
//   "ExecutablePath"; see CapsApplicationRecord) and a group definition with the keys
//   "DisplayName" and "PreferredApp" (the specifier of the member that stands for the group);
//   a group definition exists for the "Group" of every application caps-tool registered.
// - payloads: installed units named by a code, each in a collection (the product it belongs
//   to), each with data keys and string values.
//
// Conventions of every function:
// - Strings are NUL-terminated UTF-8. A NULL database path means the default database.
// - Every function returns PCD_OK or one of the PCD_E_* codes; out-parameters are written only
//   on success, except the size of PCD_E_BUFFER_TOO_SMALL.
// - No function creates a database: opening a missing one gives PCD_E_NO_DATABASE. Installers
//   create it with caps-tool.
// - Names are enumerated through a callback, called once per name (sub-domains, payloads and
//   collections in name order, keys in the order they were first written); a callback that
//   returns non-zero stops the enumeration, which still returns PCD_OK.
// - Values are copied into the caller's buffer: *size holds its capacity in bytes on entry and
//   the bytes written including the NUL on return; when the buffer is NULL or too small the
//   result is PCD_E_BUFFER_TOO_SMALL and *size is the capacity needed.
// - Times are milliseconds since 1970-01-01 UTC; every change of the database moves the time of
//   the database and of the domain it touched forward, removals included.
// - Several processes may read while one writes. A cache session (pcdOpenCacheSessionNoCreate,
//   capsOpenSession) reads one consistent state of the database from its first read until it
//   is closed, so a reader that walks an application record key by key never sees half of an
//   update; open one per refresh and close it soon. A plain session reads the newest state at
//   every call and may write; each call is one transaction.
// - A session is used by one thread at a time.

#include <stdint.h>

#if defined(TESSALY_CAPS_BUILDING)
#define TESSALY_CAPS_EXPORT __attribute__((visibility("default")))
#else
#define TESSALY_CAPS_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Result codes.
enum {
    PCD_OK = 0,
    PCD_E_INVALID_ARGUMENT = 1, // a NULL or empty name, a NULL session or out-parameter
    PCD_E_NO_DATABASE = 2,      // the database file does not exist
    PCD_E_NOT_FOUND = 3,        // no such domain, sub-domain, key, payload or collection
    PCD_E_BUFFER_TOO_SMALL = 4, // *size holds the capacity needed
    PCD_E_BUSY = 5,             // another process held the database longer than the time-out
    PCD_E_READ_ONLY = 6,        // a write through a cache session
    PCD_E_DATABASE = 7          // the file is not a configuration database, or I/O failed
};

// The domains of the messaging applications and of their group definitions.
#define PCD_CROSSWIRE_DOMAIN "/tessaly/crosswire/"
#define PCD_CROSSWIRE_GROUPS_DOMAIN "/tessaly/crosswire/groups/"

typedef struct PCDSessionRecord *PCDSession;
typedef struct CAPSSessionRecord *CAPSSession;

// Called once per name; return 0 to go on, non-zero to stop.
typedef int32_t (*PCDEnumCallback)(const char *name, void *context);

// Opens the database for reading and writing; PCD_E_NO_DATABASE when it does not exist.
TESSALY_CAPS_EXPORT int32_t pcdOpenSessionNoCreate(const char *databasePath, PCDSession *session);
// Opens the database for reading one consistent state of it (see above).
TESSALY_CAPS_EXPORT int32_t pcdOpenCacheSessionNoCreate(const char *databasePath,
                                                        PCDSession *session);
TESSALY_CAPS_EXPORT int32_t pcdCloseSession(PCDSession session);

// The sub-domains of a domain; PCD_E_NOT_FOUND when the domain has none.
TESSALY_CAPS_EXPORT int32_t pcdGetDomainDataSubdomains(PCDSession session, const char *domain,
                                                       PCDEnumCallback callback, void *context);
// The keys of a sub-domain (an empty or NULL sub-domain: the keys of the domain itself);
// PCD_E_NOT_FOUND when there are none.
TESSALY_CAPS_EXPORT int32_t pcdGetDomainDataKeys(PCDSession session, const char *domain,
                                                 const char *subdomain, PCDEnumCallback callback,
                                                 void *context);
TESSALY_CAPS_EXPORT int32_t pcdGetDomainData(PCDSession session, const char *domain,
                                             const char *subdomain, const char *key, char *buffer,
                                             int32_t *size);
// Stores one value (a NULL value stores the empty text).
TESSALY_CAPS_EXPORT int32_t pcdSetDomainData(PCDSession session, const char *domain,
                                             const char *subdomain, const char *key,
                                             const char *value);
// Removes one key; with a NULL key every key of the sub-domain (the sub-domain "" holds the
// domain's own keys); with a NULL sub-domain and a NULL key the whole domain.
// PCD_E_NOT_FOUND when nothing was there.
TESSALY_CAPS_EXPORT int32_t pcdRemoveDomainData(PCDSession session, const char *domain,
                                                const char *subdomain, const char *key);
// The time of the last change of a domain, or of the whole database for a NULL or empty domain;
// PCD_E_NOT_FOUND for a domain that was never written.
TESSALY_CAPS_EXPORT int32_t pcdGetLastModTime(PCDSession session, const char *domain,
                                              int64_t *milliseconds);

// Opens the database for reading payloads, as a cache session.
TESSALY_CAPS_EXPORT int32_t capsOpenSession(const char *databasePath, CAPSSession *session);
TESSALY_CAPS_EXPORT int32_t capsCloseSession(CAPSSession session);
// Every payload code.
TESSALY_CAPS_EXPORT int32_t capsGetPayloads(CAPSSession session, PCDEnumCallback callback,
                                            void *context);
// The payload codes of one collection; PCD_E_NOT_FOUND when it has none.
TESSALY_CAPS_EXPORT int32_t capsGetCollectionPayloads(CAPSSession session, const char *collection,
                                                      PCDEnumCallback callback, void *context);
// The data keys of a payload; PCD_E_NOT_FOUND for an unknown payload.
TESSALY_CAPS_EXPORT int32_t capsGetPayloadDataKeys(CAPSSession session, const char *payload,
                                                   PCDEnumCallback callback, void *context);
TESSALY_CAPS_EXPORT int32_t capsGetPayloadData(CAPSSession session, const char *payload,
                                               const char *key, char *buffer, int32_t *size);
// The time of the last change of the database.
TESSALY_CAPS_EXPORT int32_t capsGetLastModTime(CAPSSession session, int64_t *milliseconds);

// The types to resolve the functions by name (QLibrary::resolve, dlsym).
typedef int32_t (*PcdOpenSessionNoCreateFn)(const char *, PCDSession *);
typedef int32_t (*PcdOpenCacheSessionNoCreateFn)(const char *, PCDSession *);
typedef int32_t (*PcdCloseSessionFn)(PCDSession);
typedef int32_t (*PcdGetDomainDataSubdomainsFn)(PCDSession, const char *, PCDEnumCallback, void *);
typedef int32_t (*PcdGetDomainDataKeysFn)(PCDSession, const char *, const char *, PCDEnumCallback,
                                          void *);
typedef int32_t (*PcdGetDomainDataFn)(PCDSession, const char *, const char *, const char *, char *,
                                      int32_t *);
typedef int32_t (*PcdSetDomainDataFn)(PCDSession, const char *, const char *, const char *,
                                      const char *);
typedef int32_t (*PcdRemoveDomainDataFn)(PCDSession, const char *, const char *, const char *);
typedef int32_t (*PcdGetLastModTimeFn)(PCDSession, const char *, int64_t *);
typedef int32_t (*CapsOpenSessionFn)(const char *, CAPSSession *);
typedef int32_t (*CapsCloseSessionFn)(CAPSSession);
typedef int32_t (*CapsGetPayloadsFn)(CAPSSession, PCDEnumCallback, void *);
typedef int32_t (*CapsGetCollectionPayloadsFn)(CAPSSession, const char *, PCDEnumCallback, void *);
typedef int32_t (*CapsGetPayloadDataKeysFn)(CAPSSession, const char *, PCDEnumCallback, void *);
typedef int32_t (*CapsGetPayloadDataFn)(CAPSSession, const char *, const char *, char *, int32_t *);
typedef int32_t (*CapsGetLastModTimeFn)(CAPSSession, int64_t *);

#ifdef __cplusplus
}
#endif
