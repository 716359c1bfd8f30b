// The C entry points of libtessaly_caps.so over CapsDatabase.

#include "components/caps/capsdatabase.h"
#include "components/caps/tessalycaps.h"

#include <QLoggingCategory>

#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcCaps, "tessaly.components.caps", QtWarningMsg)

struct PCDSessionRecord
{
    std::unique_ptr<CapsDatabase> database;
};

struct CAPSSessionRecord
{
    std::unique_ptr<CapsDatabase> database;
};

namespace {

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

template<typename Record>
int32_t openSession(const char *path, CapsDatabase::Access access, Record **session)
{
    if (!session)
        return PCD_E_INVALID_ARGUMENT;
    int32_t status = PCD_OK;
    QString message;
    auto database = CapsDatabase::open(text(path), access, &status, &message);
    if (!database) {
        // A missing database is the normal state of a machine without installed applications.
        if (status != PCD_E_NO_DATABASE)
            qCWarning(lcCaps).noquote() << message;
        return status;
    }
    // The caller owns the session until it hands it to the matching close function.
    *session = std::make_unique<Record>(Record{std::move(database)}).release();
    return PCD_OK;
}

int32_t enumerate(const QStringList &names, PCDEnumCallback callback, void *context)
{
    for (const QString &name : names) {
        const QByteArray utf8 = name.toUtf8();
        if (callback(utf8.constData(), context) != 0)
            break;
    }
    return PCD_OK;
}

int32_t copyOut(const QString &value, char *buffer, int32_t *size)
{
    const QByteArray utf8 = value.toUtf8();
    const qsizetype needed = utf8.size() + 1;
    if (needed > INT32_MAX)
        return PCD_E_DATABASE;
    if (!buffer || *size < needed) {
        *size = int32_t(needed);
        return PCD_E_BUFFER_TOO_SMALL;
    }
    std::memcpy(buffer, utf8.constData(), size_t(needed));
    *size = int32_t(needed);
    return PCD_OK;
}

bool hasText(const char *value)
{
    return value && *value;
}

// A list that comes back empty is "not found" for the enumerations that name something.
int32_t listed(int32_t status, const QStringList &names, PCDEnumCallback callback, void *context)
{
    if (status != PCD_OK)
        return status;
    if (names.isEmpty())
        return PCD_E_NOT_FOUND;
    return enumerate(names, callback, context);
}

} // namespace

extern "C" {

int32_t pcdOpenSessionNoCreate(const char *databasePath, PCDSession *session)
{
    return openSession(databasePath, CapsDatabase::Access::ReadWrite, session);
}

int32_t pcdOpenCacheSessionNoCreate(const char *databasePath, PCDSession *session)
{
    return openSession(databasePath, CapsDatabase::Access::Snapshot, session);
}

int32_t pcdCloseSession(PCDSession session)
{
    if (!session)
        return PCD_E_INVALID_ARGUMENT;
    delete session;
    return PCD_OK;
}

int32_t pcdGetDomainDataSubdomains(PCDSession session, const char *domain, PCDEnumCallback callback,
                                   void *context)
{
    if (!session || !hasText(domain) || !callback)
        return PCD_E_INVALID_ARGUMENT;
    QStringList names;
    const int32_t status = session->database->subdomains(text(domain), &names);
    return listed(status, names, callback, context);
}

int32_t pcdGetDomainDataKeys(PCDSession session, const char *domain, const char *subdomain,
                             PCDEnumCallback callback, void *context)
{
    if (!session || !hasText(domain) || !callback)
        return PCD_E_INVALID_ARGUMENT;
    QStringList names;
    const int32_t status = session->database->keys(text(domain), text(subdomain), &names);
    return listed(status, names, callback, context);
}

int32_t pcdGetDomainData(PCDSession session, const char *domain, const char *subdomain,
                         const char *key, char *buffer, int32_t *size)
{
    if (!session || !hasText(domain) || !hasText(key) || !size || *size < 0)
        return PCD_E_INVALID_ARGUMENT;
    QString value;
    const int32_t status =
        session->database->value(text(domain), text(subdomain), text(key), &value);
    return status == PCD_OK ? copyOut(value, buffer, size) : status;
}

int32_t pcdSetDomainData(PCDSession session, const char *domain, const char *subdomain,
                         const char *key, const char *value)
{
    if (!session || !hasText(domain) || !hasText(key))
        return PCD_E_INVALID_ARGUMENT;
    const int32_t status =
        session->database->setValue(text(domain), text(subdomain), text(key), text(value));
    if (status != PCD_OK && status != PCD_E_READ_ONLY)
        qCWarning(lcCaps).noquote() << session->database->lastError();
    return status;
}

int32_t pcdRemoveDomainData(PCDSession session, const char *domain, const char *subdomain,
                            const char *key)
{
    if (!session || !hasText(domain) || (!subdomain && hasText(key)))
        return PCD_E_INVALID_ARGUMENT;
    // Only a NULL sub-domain means the whole domain: "" is the domain's own keys, so that a
    // caller clearing those never wipes every sub-domain by mistake.
    return session->database->remove(
        text(domain), subdomain ? std::optional<QString>(text(subdomain)) : std::nullopt,
        text(key));
}

int32_t pcdGetLastModTime(PCDSession session, const char *domain, int64_t *milliseconds)
{
    if (!session || !milliseconds)
        return PCD_E_INVALID_ARGUMENT;
    return session->database->lastModified(text(domain), milliseconds);
}

int32_t capsOpenSession(const char *databasePath, CAPSSession *session)
{
    return openSession(databasePath, CapsDatabase::Access::Snapshot, session);
}

int32_t capsCloseSession(CAPSSession session)
{
    if (!session)
        return PCD_E_INVALID_ARGUMENT;
    delete session;
    return PCD_OK;
}

int32_t capsGetPayloads(CAPSSession session, PCDEnumCallback callback, void *context)
{
    if (!session || !callback)
        return PCD_E_INVALID_ARGUMENT;
    QStringList codes;
    const int32_t status = session->database->payloads(&codes);
    return status == PCD_OK ? enumerate(codes, callback, context) : status;
}

int32_t capsGetCollectionPayloads(CAPSSession session, const char *collection,
                                  PCDEnumCallback callback, void *context)
{
    if (!session || !hasText(collection) || !callback)
        return PCD_E_INVALID_ARGUMENT;
    QStringList codes;
    const int32_t status = session->database->collectionPayloads(text(collection), &codes);
    return status == PCD_OK ? enumerate(codes, callback, context) : status;
}

int32_t capsGetPayloadDataKeys(CAPSSession session, const char *payload, PCDEnumCallback callback,
                               void *context)
{
    if (!session || !hasText(payload) || !callback)
        return PCD_E_INVALID_ARGUMENT;
    QStringList keys;
    const int32_t status = session->database->payloadKeys(text(payload), &keys);
    return status == PCD_OK ? enumerate(keys, callback, context) : status;
}

int32_t capsGetPayloadData(CAPSSession session, const char *payload, const char *key, char *buffer,
                           int32_t *size)
{
    if (!session || !hasText(payload) || !hasText(key) || !size || *size < 0)
        return PCD_E_INVALID_ARGUMENT;
    QString value;
    const int32_t status = session->database->payloadValue(text(payload), text(key), &value);
    return status == PCD_OK ? copyOut(value, buffer, size) : status;
}

int32_t capsGetLastModTime(CAPSSession session, int64_t *milliseconds)
{
    if (!session || !milliseconds)
        return PCD_E_INVALID_ARGUMENT;
    return session->database->lastModified(QString(), milliseconds);
}

} // extern "C"
