#pragma once

#include "components/caps/tessalycaps.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// Loads libtessaly_caps.so at run time and resolves its functions by name, with Qt-typed helpers
// for the calls. A missing library or function leaves isLoaded() false, and every helper then
// fails as a missing database does. For the connector and the tests.
class CapsLibrary
{
public:
    // The library beside the program (QCoreApplication::applicationDirPath()), or the file given.
    explicit CapsLibrary(const QString &fileName = QString());
    ~CapsLibrary();
    CapsLibrary(const CapsLibrary &) = delete;
    CapsLibrary &operator=(const CapsLibrary &) = delete;

    bool isLoaded() const { return m_loaded; }
    QString errorString() const { return m_error; }

    // The resolved functions; all non-null when isLoaded().
    PcdOpenSessionNoCreateFn pcdOpenSessionNoCreate = nullptr;
    PcdOpenCacheSessionNoCreateFn pcdOpenCacheSessionNoCreate = nullptr;
    PcdCloseSessionFn pcdCloseSession = nullptr;
    PcdGetDomainDataSubdomainsFn pcdGetDomainDataSubdomains = nullptr;
    PcdGetDomainDataKeysFn pcdGetDomainDataKeys = nullptr;
    PcdGetDomainDataFn pcdGetDomainData = nullptr;
    PcdSetDomainDataFn pcdSetDomainData = nullptr;
    PcdRemoveDomainDataFn pcdRemoveDomainData = nullptr;
    PcdGetLastModTimeFn pcdGetLastModTime = nullptr;
    CapsOpenSessionFn capsOpenSession = nullptr;
    CapsCloseSessionFn capsCloseSession = nullptr;
    CapsGetPayloadsFn capsGetPayloads = nullptr;
    CapsGetCollectionPayloadsFn capsGetCollectionPayloads = nullptr;
    CapsGetPayloadDataKeysFn capsGetPayloadDataKeys = nullptr;
    CapsGetPayloadDataFn capsGetPayloadData = nullptr;
    CapsGetLastModTimeFn capsGetLastModTime = nullptr;

    // A session closed when the object goes; null when opening failed (status() tells why).
    class Session
    {
    public:
        Session(const CapsLibrary &library, bool cache, const QString &databasePath = QString());
        ~Session();
        Session(const Session &) = delete;
        Session &operator=(const Session &) = delete;

        bool isOpen() const { return m_session != nullptr; }
        int32_t status() const { return m_status; }
        PCDSession handle() const { return m_session; }

        // Empty lists and nullopt on any failure; status() then holds the code.
        QStringList subdomains(const QString &domain);
        QStringList keys(const QString &domain, const QString &subdomain);
        std::optional<QString> value(const QString &domain, const QString &subdomain,
                                     const QString &key);
        bool setValue(const QString &domain, const QString &subdomain, const QString &key,
                      const QString &value);
        std::optional<int64_t> lastModified(const QString &domain = QString());

    private:
        const CapsLibrary &m_library;
        PCDSession m_session = nullptr;
        int32_t m_status = PCD_E_NO_DATABASE;
    };

    // Calls a PCD or CAPS enumeration and collects the names.
    static QStringList collect(const std::function<int32_t(PCDEnumCallback, void *)> &call,
                               int32_t *status);
    // Calls a PCD or CAPS value getter with a growing buffer.
    static std::optional<QString> fetch(const std::function<int32_t(char *, int32_t *)> &call,
                                        int32_t *status);

private:
    QLibrary m_library;
    bool m_loaded = false;
    QString m_error;
};
