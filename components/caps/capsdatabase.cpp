#include "components/caps/capsdatabase.h"

#include "components/caps/tessalycaps.h"
#include "platform/folders/folders.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

constexpr int schemaVersion = 1;

// NOCASE: names compare without regard to ASCII case, as the registry of the original does.
// Rows keep their rowid, so keys are listed in the order they were first written.
const char *const schemaSql = R"sql(
CREATE TABLE IF NOT EXISTS meta (
    name TEXT PRIMARY KEY,
    value INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS domain (
    name TEXT PRIMARY KEY COLLATE NOCASE,
    modified INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS domain_data (
    domain TEXT NOT NULL COLLATE NOCASE,
    subdomain TEXT NOT NULL COLLATE NOCASE,
    key TEXT NOT NULL COLLATE NOCASE,
    value TEXT NOT NULL,
    UNIQUE (domain, subdomain, key));
CREATE TABLE IF NOT EXISTS payload (
    code TEXT PRIMARY KEY COLLATE NOCASE,
    collection TEXT NOT NULL COLLATE NOCASE);
CREATE TABLE IF NOT EXISTS payload_data (
    payload TEXT NOT NULL COLLATE NOCASE,
    key TEXT NOT NULL COLLATE NOCASE,
    value TEXT NOT NULL,
    UNIQUE (payload, key));
CREATE INDEX IF NOT EXISTS payload_collection ON payload (collection);
INSERT OR IGNORE INTO meta (name, value) VALUES ('modified', 0);
)sql";

// The time of a change: now, but always after the previous change, so that two changes within
// one millisecond (or a clock set back) still move the time forward.
const char *const nextTimeSql =
    "SELECT max(?1, coalesce((SELECT value FROM meta WHERE name = 'modified'), 0) + 1)";

} // namespace

class CapsDatabase::Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
        : m_code(sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr))
    {
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    int prepareCode() const { return m_code; }
    void bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 number) { sqlite3_bind_int64(m_stmt, index, number); }
    int step() { return sqlite3_step(m_stmt); }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }
    qint64 number(int column) const { return sqlite3_column_int64(m_stmt, column); }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_code;
};

QString CapsDatabase::defaultPath()
{
    return Folders::machineRoot() + QStringLiteral("/caps/configuration.db");
}

QString CapsDatabase::normalizedDomain(const QString &domain)
{
    if (domain.isEmpty() || domain.endsWith(QLatin1Char('/')))
        return domain;
    return domain + QLatin1Char('/');
}

std::unique_ptr<CapsDatabase> CapsDatabase::open(const QString &path, Access access,
                                                 int32_t *status, QString *message)
{
    const QString file = path.isEmpty() ? defaultPath() : path;
    auto report = [&](int32_t code, const QString &text) {
        if (status)
            *status = code;
        if (message)
            *message = text;
        return nullptr;
    };
    const QFileInfo info(file);
    if (access != Access::Create && !info.exists())
        return report(PCD_E_NO_DATABASE, QStringLiteral("no configuration database at ") + file);
    if (info.exists() && !info.isFile())
        return report(PCD_E_DATABASE, file + QStringLiteral(" is not a file"));
    if (access == Access::Create && !QDir().mkpath(info.absolutePath()))
        return report(PCD_E_DATABASE,
                      QStringLiteral("cannot make the folder ") + info.absolutePath());

    // Readers open the file for writing too when they may: a reader of a write-ahead-log
    // database keeps its shared-memory index up to date. Without the right they read only.
    sqlite3 *db = nullptr;
    const QByteArray name = QFile::encodeName(file);
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (access == Access::Create)
        flags |= SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK && access == Access::Snapshot) {
        sqlite3_close(db);
        db = nullptr;
        rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString reason = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return report(rc == SQLITE_BUSY ? PCD_E_BUSY : PCD_E_DATABASE,
                      QStringLiteral("cannot open ") + file + QStringLiteral(": ") + reason);
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);

    std::unique_ptr<CapsDatabase> database(new CapsDatabase(db, file, access));
    const int32_t code =
        access == Access::Create ? database->createSchema() : database->checkSchema();
    if (code == PCD_OK && access == Access::Snapshot)
        database->beginSnapshot();
    if (code != PCD_OK)
        return report(code, database->lastError());
    if (status)
        *status = PCD_OK;
    return database;
}

CapsDatabase::CapsDatabase(sqlite3 *db, const QString &path, Access access)
    : m_db(db)
    , m_path(path)
    , m_access(access)
{
}

CapsDatabase::~CapsDatabase()
{
    if (m_snapshotOpen || m_depth > 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
}

int32_t CapsDatabase::createSchema()
{
    // The journal mode is a property of the file; setting it needs a moment of exclusive access,
    // which the busy time-out waits for when another process is in the middle of a write.
    {
        // Finalized before the transaction: a statement still in progress keeps COMMIT from
        // going through.
        Statement mode(m_db, "PRAGMA journal_mode = WAL");
        if (mode.prepareCode() != SQLITE_OK)
            return fail(mode.prepareCode());
        const int rc = mode.step();
        if (rc != SQLITE_ROW)
            return fail(rc);
        if (mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            return failWith(PCD_E_DATABASE,
                            QStringLiteral("the database cannot use a write-ahead log"));
    }
    if (int32_t code = exec("PRAGMA synchronous = FULL"); code != PCD_OK)
        return code;
    if (int32_t code = begin(); code != PCD_OK)
        return code;
    int32_t code = exec(schemaSql);
    if (code == PCD_OK)
        code = exec(
            QByteArray("PRAGMA user_version = " + QByteArray::number(schemaVersion)).constData());
    if (code != PCD_OK) {
        rollback();
        return code;
    }
    return commit();
}

int32_t CapsDatabase::checkSchema()
{
    if (m_access == Access::ReadWrite) {
        if (int32_t code = exec("PRAGMA synchronous = FULL"); code != PCD_OK)
            return code;
    }
    // Also the first read of the file: a file that is no database fails here.
    Statement version(m_db, "PRAGMA user_version");
    if (version.prepareCode() != SQLITE_OK)
        return fail(version.prepareCode());
    const int rc = version.step();
    if (rc != SQLITE_ROW)
        return fail(rc);
    if (version.number(0) < 1)
        return failWith(PCD_E_DATABASE,
                        m_path + QStringLiteral(" is not a configuration database"));
    return PCD_OK;
}

int32_t CapsDatabase::beginSnapshot()
{
    // A deferred transaction starts reading at its first statement; reading the time right away
    // pins the state the session sees.
    if (int32_t code = exec("BEGIN"); code != PCD_OK)
        return code;
    m_snapshotOpen = true;
    int64_t ignored = 0;
    return lastModified(QString(), &ignored);
}

int32_t CapsDatabase::exec(const char *sql)
{
    char *error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    return rc == SQLITE_OK ? PCD_OK : fail(rc);
}

int32_t CapsDatabase::fail(int sqliteCode)
{
    m_lastError = QString::fromUtf8(sqlite3_errmsg(m_db));
    switch (sqliteCode) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return PCD_E_BUSY;
    case SQLITE_READONLY:
        return PCD_E_READ_ONLY;
    default:
        return PCD_E_DATABASE;
    }
}

int32_t CapsDatabase::failWith(int32_t status, const QString &message)
{
    m_lastError = message;
    return status;
}

int32_t CapsDatabase::writable()
{
    return isReadOnly() ? failWith(PCD_E_READ_ONLY, QStringLiteral("a cache session is read-only"))
                        : PCD_OK;
}

int32_t CapsDatabase::begin()
{
    if (int32_t code = writable(); code != PCD_OK)
        return code;
    if (m_depth > 0 && m_aborted)
        return failWith(PCD_E_DATABASE, m_lastError);
    // IMMEDIATE takes the write lock at once: a deferred transaction that reads first and then
    // writes could find another writer's commit in between and fail instead of waiting.
    if (m_depth == 0) {
        if (int32_t code = exec("BEGIN IMMEDIATE"); code != PCD_OK)
            return code;
    }
    ++m_depth;
    return PCD_OK;
}

int32_t CapsDatabase::commit()
{
    Q_ASSERT(m_depth > 0);
    if (m_depth > 1) {
        --m_depth;
        return m_aborted ? PCD_E_DATABASE : PCD_OK;
    }
    m_depth = 0;
    if (m_aborted) {
        m_aborted = false;
        const QString reason = m_lastError;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_lastError = reason;
        return PCD_E_DATABASE;
    }
    const int32_t code = exec("COMMIT");
    if (code != PCD_OK) {
        const QString reason = m_lastError;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_lastError = reason;
    }
    return code;
}

void CapsDatabase::rollback()
{
    // A failed step inside an outer transaction dooms the whole of it: a half-applied group of
    // writes must never be committed, so the outer commit rolls back instead.
    if (m_depth == 0)
        return;
    if (m_depth > 1) {
        --m_depth;
        m_aborted = true;
        return;
    }
    m_depth = 0;
    m_aborted = false;
    const QString reason = m_lastError;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_lastError = reason;
}

int32_t CapsDatabase::touch(const QString &domain)
{
    Statement next(m_db, nextTimeSql);
    if (next.prepareCode() != SQLITE_OK)
        return fail(next.prepareCode());
    next.bind(1, QDateTime::currentMSecsSinceEpoch());
    if (int rc = next.step(); rc != SQLITE_ROW)
        return fail(rc);
    const qint64 time = next.number(0);

    Statement meta(m_db, "UPDATE meta SET value = ?1 WHERE name = 'modified'");
    meta.bind(1, time);
    if (int rc = meta.step(); rc != SQLITE_DONE)
        return fail(rc);
    if (domain.isEmpty())
        return PCD_OK;
    Statement stamp(m_db, "INSERT INTO domain (name, modified) VALUES (?1, ?2) "
                          "ON CONFLICT (name) DO UPDATE SET modified = excluded.modified");
    stamp.bind(1, domain);
    stamp.bind(2, time);
    if (int rc = stamp.step(); rc != SQLITE_DONE)
        return fail(rc);
    return PCD_OK;
}

int32_t CapsDatabase::list(const char *sql, const QStringList &arguments, QStringList *names)
{
    Statement query(m_db, sql);
    if (query.prepareCode() != SQLITE_OK)
        return fail(query.prepareCode());
    for (int i = 0; i < arguments.size(); ++i)
        query.bind(i + 1, arguments.at(i));
    QStringList result;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW)
        result.append(query.text(0));
    if (rc != SQLITE_DONE)
        return fail(rc);
    *names = result;
    return PCD_OK;
}

int32_t CapsDatabase::domains(QStringList *names)
{
    return list("SELECT DISTINCT domain FROM domain_data ORDER BY domain", {}, names);
}

int32_t CapsDatabase::subdomains(const QString &domain, QStringList *names)
{
    return list("SELECT DISTINCT subdomain FROM domain_data "
                "WHERE domain = ?1 AND subdomain <> '' ORDER BY subdomain",
                {normalizedDomain(domain)}, names);
}

int32_t CapsDatabase::keys(const QString &domain, const QString &subdomain, QStringList *names)
{
    return list("SELECT key FROM domain_data WHERE domain = ?1 AND subdomain = ?2 ORDER BY rowid",
                {normalizedDomain(domain), subdomain}, names);
}

int32_t CapsDatabase::value(const QString &domain, const QString &subdomain, const QString &key,
                            QString *value)
{
    QStringList found;
    const int32_t code = list("SELECT value FROM domain_data "
                              "WHERE domain = ?1 AND subdomain = ?2 AND key = ?3",
                              {normalizedDomain(domain), subdomain, key}, &found);
    if (code != PCD_OK)
        return code;
    if (found.isEmpty())
        return PCD_E_NOT_FOUND;
    *value = found.first();
    return PCD_OK;
}

int32_t CapsDatabase::values(const QString &domain, const QString &subdomain, CapsValues *values)
{
    Statement query(m_db, "SELECT key, value FROM domain_data "
                          "WHERE domain = ?1 AND subdomain = ?2 ORDER BY rowid");
    if (query.prepareCode() != SQLITE_OK)
        return fail(query.prepareCode());
    query.bind(1, normalizedDomain(domain));
    query.bind(2, subdomain);
    CapsValues result;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW)
        result.append({query.text(0), query.text(1)});
    if (rc != SQLITE_DONE)
        return fail(rc);
    if (result.isEmpty())
        return PCD_E_NOT_FOUND;
    *values = result;
    return PCD_OK;
}

int32_t CapsDatabase::setValue(const QString &domain, const QString &subdomain, const QString &key,
                               const QString &value)
{
    if (domain.isEmpty() || key.isEmpty())
        return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a domain and a key are needed"));
    if (int32_t code = begin(); code != PCD_OK)
        return code;
    const QString name = normalizedDomain(domain);
    Statement upsert(m_db, "INSERT INTO domain_data (domain, subdomain, key, value) "
                           "VALUES (?1, ?2, ?3, ?4) ON CONFLICT (domain, subdomain, key) "
                           "DO UPDATE SET value = excluded.value");
    upsert.bind(1, name);
    upsert.bind(2, subdomain);
    upsert.bind(3, key);
    upsert.bind(4, value);
    if (int rc = upsert.prepareCode() == SQLITE_OK ? upsert.step() : upsert.prepareCode();
        rc != SQLITE_DONE) {
        const int32_t code = fail(rc);
        rollback();
        return code;
    }
    if (int32_t code = touch(name); code != PCD_OK) {
        rollback();
        return code;
    }
    return commit();
}

int32_t CapsDatabase::replaceValues(const QString &domain, const QString &subdomain,
                                    const CapsValues &values)
{
    if (domain.isEmpty() || subdomain.isEmpty())
        return failWith(PCD_E_INVALID_ARGUMENT,
                        QStringLiteral("a domain and a sub-domain are needed"));
    for (const auto &[key, value] : values) {
        if (key.isEmpty())
            return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a key has no name"));
    }
    if (int32_t code = begin(); code != PCD_OK)
        return code;
    int32_t code = remove(domain, subdomain, QString());
    if (code == PCD_E_NOT_FOUND)
        code = PCD_OK;
    for (const auto &[key, value] : values) {
        if (code != PCD_OK)
            break;
        code = setValue(domain, subdomain, key, value);
    }
    if (code != PCD_OK) {
        rollback();
        return code;
    }
    return commit();
}

int32_t CapsDatabase::remove(const QString &domain, const std::optional<QString> &subdomain,
                             const QString &key)
{
    if (domain.isEmpty())
        return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a domain is needed"));
    if (!subdomain && !key.isEmpty())
        return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a key needs its sub-domain"));
    if (int32_t code = begin(); code != PCD_OK)
        return code;
    const QString name = normalizedDomain(domain);
    const char *sql = !subdomain ? "DELETE FROM domain_data WHERE domain = ?1"
                      : key.isEmpty()
                          ? "DELETE FROM domain_data WHERE domain = ?1 AND subdomain = ?2"
                          : "DELETE FROM domain_data WHERE domain = ?1 AND subdomain = ?2 "
                            "AND key = ?3";
    Statement erase(m_db, sql);
    erase.bind(1, name);
    if (subdomain)
        erase.bind(2, *subdomain);
    if (!key.isEmpty())
        erase.bind(3, key);
    if (int rc = erase.prepareCode() == SQLITE_OK ? erase.step() : erase.prepareCode();
        rc != SQLITE_DONE) {
        const int32_t code = fail(rc);
        rollback();
        return code;
    }
    if (sqlite3_changes(m_db) == 0) {
        // Nothing changed, so the times stay; the (empty) transaction ends normally.
        const int32_t code = commit();
        return code == PCD_OK ? PCD_E_NOT_FOUND : code;
    }
    if (int32_t code = touch(name); code != PCD_OK) {
        rollback();
        return code;
    }
    return commit();
}

int32_t CapsDatabase::lastModified(const QString &domain, int64_t *milliseconds)
{
    QStringList found;
    const int32_t code = domain.isEmpty()
                             ? list("SELECT value FROM meta WHERE name = 'modified'", {}, &found)
                             : list("SELECT modified FROM domain WHERE name = ?1",
                                    {normalizedDomain(domain)}, &found);
    if (code != PCD_OK)
        return code;
    if (found.isEmpty())
        return PCD_E_NOT_FOUND;
    *milliseconds = found.first().toLongLong();
    return PCD_OK;
}

int32_t CapsDatabase::payloads(QStringList *codes)
{
    return list("SELECT code FROM payload ORDER BY code", {}, codes);
}

int32_t CapsDatabase::collections(QStringList *names)
{
    return list("SELECT DISTINCT collection FROM payload ORDER BY collection", {}, names);
}

int32_t CapsDatabase::collectionPayloads(const QString &collection, QStringList *codes)
{
    QStringList found;
    const int32_t code =
        list("SELECT code FROM payload WHERE collection = ?1 ORDER BY code", {collection}, &found);
    if (code != PCD_OK)
        return code;
    if (found.isEmpty())
        return PCD_E_NOT_FOUND;
    *codes = found;
    return PCD_OK;
}

int32_t CapsDatabase::payloadCollection(const QString &code, QString *collection)
{
    QStringList found;
    const int32_t status = list("SELECT collection FROM payload WHERE code = ?1", {code}, &found);
    if (status != PCD_OK)
        return status;
    if (found.isEmpty())
        return PCD_E_NOT_FOUND;
    *collection = found.first();
    return PCD_OK;
}

int32_t CapsDatabase::payloadKeys(const QString &code, QStringList *keys)
{
    QString collection;
    if (int32_t status = payloadCollection(code, &collection); status != PCD_OK)
        return status;
    return list("SELECT key FROM payload_data WHERE payload = ?1 ORDER BY rowid", {code}, keys);
}

int32_t CapsDatabase::payloadValue(const QString &code, const QString &key, QString *value)
{
    QStringList found;
    const int32_t status =
        list("SELECT value FROM payload_data WHERE payload = ?1 AND key = ?2", {code, key}, &found);
    if (status != PCD_OK)
        return status;
    if (found.isEmpty())
        return PCD_E_NOT_FOUND;
    *value = found.first();
    return PCD_OK;
}

int32_t CapsDatabase::payloadValues(const QString &code, CapsValues *values)
{
    QString collection;
    if (int32_t status = payloadCollection(code, &collection); status != PCD_OK)
        return status;
    Statement query(m_db, "SELECT key, value FROM payload_data WHERE payload = ?1 ORDER BY rowid");
    if (query.prepareCode() != SQLITE_OK)
        return fail(query.prepareCode());
    query.bind(1, code);
    CapsValues result;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW)
        result.append({query.text(0), query.text(1)});
    if (rc != SQLITE_DONE)
        return fail(rc);
    *values = result;
    return PCD_OK;
}

int32_t CapsDatabase::setPayload(const QString &code, const QString &collection,
                                 const CapsValues &values)
{
    if (code.isEmpty())
        return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a payload needs a code"));
    for (const auto &[key, value] : values) {
        if (key.isEmpty())
            return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a key has no name"));
    }
    if (int32_t status = begin(); status != PCD_OK)
        return status;
    int32_t status = removePayload(code);
    if (status == PCD_E_NOT_FOUND)
        status = PCD_OK;
    auto run = [&](const char *sql, const QStringList &arguments) {
        Statement statement(m_db, sql);
        if (statement.prepareCode() != SQLITE_OK)
            return fail(statement.prepareCode());
        for (int i = 0; i < arguments.size(); ++i)
            statement.bind(i + 1, arguments.at(i));
        const int rc = statement.step();
        return rc == SQLITE_DONE ? int32_t(PCD_OK) : fail(rc);
    };
    if (status == PCD_OK)
        status = run("INSERT INTO payload (code, collection) VALUES (?1, ?2)", {code, collection});
    for (const auto &[key, value] : values) {
        if (status != PCD_OK)
            break;
        status = run("INSERT INTO payload_data (payload, key, value) VALUES (?1, ?2, ?3) "
                     "ON CONFLICT (payload, key) DO UPDATE SET value = excluded.value",
                     {code, key, value});
    }
    if (status == PCD_OK)
        status = touch(QString());
    if (status != PCD_OK) {
        rollback();
        return status;
    }
    return commit();
}

int32_t CapsDatabase::removePayload(const QString &code)
{
    if (code.isEmpty())
        return failWith(PCD_E_INVALID_ARGUMENT, QStringLiteral("a payload needs a code"));
    if (int32_t status = begin(); status != PCD_OK)
        return status;
    int changed = 0;
    for (const char *sql :
         {"DELETE FROM payload_data WHERE payload = ?1", "DELETE FROM payload WHERE code = ?1"}) {
        Statement erase(m_db, sql);
        erase.bind(1, code);
        if (int rc = erase.prepareCode() == SQLITE_OK ? erase.step() : erase.prepareCode();
            rc != SQLITE_DONE) {
            const int32_t status = fail(rc);
            rollback();
            return status;
        }
        changed += sqlite3_changes(m_db);
    }
    if (changed == 0) {
        const int32_t status = commit();
        return status == PCD_OK ? PCD_E_NOT_FOUND : status;
    }
    if (int32_t status = touch(QString()); status != PCD_OK) {
        rollback();
        return status;
    }
    return commit();
}

CapsDatabase::Transaction::Transaction(CapsDatabase &database)
    : m_database(database)
    , m_status(database.begin())
    , m_open(m_status == PCD_OK)
{
}

CapsDatabase::Transaction::~Transaction()
{
    if (m_open)
        m_database.rollback();
}

int32_t CapsDatabase::Transaction::commit()
{
    if (!m_open)
        return m_status == PCD_OK ? int32_t(PCD_E_DATABASE) : m_status;
    m_open = false;
    return m_database.commit();
}
