#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

using CapsValues = QList<QPair<QString, QString>>;

// The product configuration database: domain data (domain, sub-domain, key, value) and payloads
// (code, collection, data keys), with the time of the last change of the database and of each
// domain. Results are the PCD_* codes of tessalycaps.h.
//
// Several processes may use one database at once: it runs in write-ahead-log mode, so readers
// never wait for a writer and never see a transaction half done; writers queue behind each other
// for up to busyTimeoutMs. Access::Snapshot keeps one read transaction open from the first read
// to the end, so a reader sees one state of the database across all its calls.
// Only Access::Create makes a missing database; the others report PCD_E_NO_DATABASE.
class CapsDatabase
{
public:
    enum class Access { Snapshot, ReadWrite, Create };

    static constexpr int busyTimeoutMs = 10000;

    // <machine root>/caps/configuration.db
    static QString defaultPath();
    // Adds the trailing "/" of a domain name.
    static QString normalizedDomain(const QString &domain);

    // An empty path means the default one. On failure returns null and sets status (and message).
    static std::unique_ptr<CapsDatabase> open(const QString &path, Access access, int32_t *status,
                                              QString *message = nullptr);
    ~CapsDatabase();
    CapsDatabase(const CapsDatabase &) = delete;
    CapsDatabase &operator=(const CapsDatabase &) = delete;

    QString path() const { return m_path; }
    bool isReadOnly() const { return m_access == Access::Snapshot; }
    // The reason of the last failure, for people.
    QString lastError() const { return m_lastError; }

    int32_t domains(QStringList *names);
    int32_t subdomains(const QString &domain, QStringList *names);
    int32_t keys(const QString &domain, const QString &subdomain, QStringList *names);
    int32_t value(const QString &domain, const QString &subdomain, const QString &key,
                  QString *value);
    // Every key and value of a sub-domain in the order the keys were first written.
    int32_t values(const QString &domain, const QString &subdomain, CapsValues *values);
    int32_t setValue(const QString &domain, const QString &subdomain, const QString &key,
                     const QString &value);
    // Replaces every key of a sub-domain at once: readers see the old record or the new one.
    int32_t replaceValues(const QString &domain, const QString &subdomain,
                          const CapsValues &values);
    // An empty key removes every key of the sub-domain (the empty sub-domain: the domain's own
    // keys); no sub-domain at all removes the whole domain.
    int32_t remove(const QString &domain, const std::optional<QString> &subdomain,
                   const QString &key);
    // An empty domain gives the time of the whole database.
    int32_t lastModified(const QString &domain, int64_t *milliseconds);

    int32_t payloads(QStringList *codes);
    int32_t collections(QStringList *names);
    int32_t collectionPayloads(const QString &collection, QStringList *codes);
    int32_t payloadCollection(const QString &code, QString *collection);
    int32_t payloadKeys(const QString &code, QStringList *keys);
    int32_t payloadValue(const QString &code, const QString &key, QString *value);
    int32_t payloadValues(const QString &code, CapsValues *values);
    // Creates or replaces a payload with all its data.
    int32_t setPayload(const QString &code, const QString &collection, const CapsValues &values);
    int32_t removePayload(const QString &code);

    // Groups several writes into one transaction; commit() makes them visible at once, the
    // destructor rolls back what was not committed.
    class Transaction
    {
    public:
        explicit Transaction(CapsDatabase &database);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        int32_t status() const { return m_status; }
        int32_t commit();

    private:
        CapsDatabase &m_database;
        int32_t m_status;
        bool m_open = false;
    };

private:
    class Statement;

    CapsDatabase(sqlite3 *db, const QString &path, Access access);
    int32_t createSchema();
    int32_t checkSchema();
    int32_t beginSnapshot();
    int32_t exec(const char *sql);
    int32_t fail(int sqliteCode);
    int32_t failWith(int32_t status, const QString &message);
    int32_t writable();
    int32_t begin();
    int32_t commit();
    void rollback();
    int32_t touch(const QString &domain);
    int32_t list(const char *sql, const QStringList &arguments, QStringList *names);

    sqlite3 *m_db;
    QString m_path;
    Access m_access;
    QString m_lastError;
    int m_depth = 0;
    bool m_aborted = false;
    bool m_snapshotOpen = false;
};
