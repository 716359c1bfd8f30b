#include "components/caps/capslibrary.h"

#include <QCoreApplication>
#include <QDir>

#include <functional>

CapsLibrary::CapsLibrary(const QString &fileName)
{
    const QString file = fileName.isEmpty() ? QCoreApplication::applicationDirPath() +
                                                  QStringLiteral("/libtessaly_caps.so")
                                            : fileName;
    m_library.setFileName(file);
    if (!m_library.load()) {
        m_error = m_library.errorString();
        return;
    }
    bool all = true;
    auto resolve = [&](auto &pointer, const char *name) {
        pointer =
            reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(m_library.resolve(name));
        if (!pointer) {
            all = false;
            m_error = QStringLiteral("missing function ") + QLatin1String(name);
        }
    };
    resolve(pcdOpenSessionNoCreate, "pcdOpenSessionNoCreate");
    resolve(pcdOpenCacheSessionNoCreate, "pcdOpenCacheSessionNoCreate");
    resolve(pcdCloseSession, "pcdCloseSession");
    resolve(pcdGetDomainDataSubdomains, "pcdGetDomainDataSubdomains");
    resolve(pcdGetDomainDataKeys, "pcdGetDomainDataKeys");
    resolve(pcdGetDomainData, "pcdGetDomainData");
    resolve(pcdSetDomainData, "pcdSetDomainData");
    resolve(pcdRemoveDomainData, "pcdRemoveDomainData");
    resolve(pcdGetLastModTime, "pcdGetLastModTime");
    resolve(capsOpenSession, "capsOpenSession");
    resolve(capsCloseSession, "capsCloseSession");
    resolve(capsGetPayloads, "capsGetPayloads");
    resolve(capsGetCollectionPayloads, "capsGetCollectionPayloads");
    resolve(capsGetPayloadDataKeys, "capsGetPayloadDataKeys");
    resolve(capsGetPayloadData, "capsGetPayloadData");
    resolve(capsGetLastModTime, "capsGetLastModTime");
    m_loaded = all;
}

CapsLibrary::~CapsLibrary() = default;

QStringList CapsLibrary::collect(const std::function<int32_t(PCDEnumCallback, void *)> &call,
                                 int32_t *status)
{
    QStringList names;
    const PCDEnumCallback add = [](const char *name, void *context) -> int32_t {
        static_cast<QStringList *>(context)->append(QString::fromUtf8(name));
        return 0;
    };
    *status = call(add, &names);
    return *status == PCD_OK ? names : QStringList();
}

std::optional<QString> CapsLibrary::fetch(const std::function<int32_t(char *, int32_t *)> &call,
                                          int32_t *status)
{
    QByteArray buffer(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        int32_t size = int32_t(buffer.size());
        *status = call(buffer.data(), &size);
        if (*status == PCD_OK)
            return QString::fromUtf8(buffer.constData(), size - 1);
        if (*status != PCD_E_BUFFER_TOO_SMALL)
            return std::nullopt;
        // The value may grow again between the two calls when a writer replaces it.
        buffer.resize(size);
    }
    return std::nullopt;
}

CapsLibrary::Session::Session(const CapsLibrary &library, bool cache, const QString &databasePath)
    : m_library(library)
{
    if (!library.isLoaded())
        return;
    const QByteArray path = QFile::encodeName(databasePath);
    const char *name = databasePath.isEmpty() ? nullptr : path.constData();
    m_status = cache ? library.pcdOpenCacheSessionNoCreate(name, &m_session)
                     : library.pcdOpenSessionNoCreate(name, &m_session);
    if (m_status != PCD_OK)
        m_session = nullptr;
}

CapsLibrary::Session::~Session()
{
    if (m_session)
        m_library.pcdCloseSession(m_session);
}

QStringList CapsLibrary::Session::subdomains(const QString &domain)
{
    if (!m_session)
        return {};
    const QByteArray d = domain.toUtf8();
    return collect(
        [&](PCDEnumCallback callback, void *context) {
            return m_library.pcdGetDomainDataSubdomains(m_session, d.constData(), callback,
                                                        context);
        },
        &m_status);
}

QStringList CapsLibrary::Session::keys(const QString &domain, const QString &subdomain)
{
    if (!m_session)
        return {};
    const QByteArray d = domain.toUtf8();
    const QByteArray s = subdomain.toUtf8();
    return collect(
        [&](PCDEnumCallback callback, void *context) {
            return m_library.pcdGetDomainDataKeys(m_session, d.constData(), s.constData(), callback,
                                                  context);
        },
        &m_status);
}

std::optional<QString> CapsLibrary::Session::value(const QString &domain, const QString &subdomain,
                                                   const QString &key)
{
    if (!m_session)
        return std::nullopt;
    const QByteArray d = domain.toUtf8();
    const QByteArray s = subdomain.toUtf8();
    const QByteArray k = key.toUtf8();
    return fetch(
        [&](char *buffer, int32_t *size) {
            return m_library.pcdGetDomainData(m_session, d.constData(), s.constData(),
                                              k.constData(), buffer, size);
        },
        &m_status);
}

bool CapsLibrary::Session::setValue(const QString &domain, const QString &subdomain,
                                    const QString &key, const QString &value)
{
    if (!m_session)
        return false;
    m_status = m_library.pcdSetDomainData(m_session, domain.toUtf8().constData(),
                                          subdomain.toUtf8().constData(), key.toUtf8().constData(),
                                          value.toUtf8().constData());
    return m_status == PCD_OK;
}

std::optional<int64_t> CapsLibrary::Session::lastModified(const QString &domain)
{
    if (!m_session)
        return std::nullopt;
    int64_t time = 0;
    const QByteArray d = domain.toUtf8();
    m_status =
        m_library.pcdGetLastModTime(m_session, domain.isEmpty() ? nullptr : d.constData(), &time);
    return m_status == PCD_OK ? std::optional<int64_t>(time) : std::nullopt;
}
