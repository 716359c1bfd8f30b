#include "locale/zstringdictionary.h"

#include "locale/binarydictionaryreader.h"
#include "locale/escapeexpander.h"
#include "locale/localelog.h"
#include "locale/textdictionaryparser.h"
#include "locale/zstringparts.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace basekit_private {

namespace {

constexpr char binarySignature[] = "ZString Binary Format";
constexpr qsizetype binarySignatureLength = sizeof(binarySignature) - 1;

bool equalBytes(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && (a.isEmpty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

} // namespace

ZStringDictionary::ZStringDictionary()
    : ZStringDictionary(Limits())
{
}

ZStringDictionary::ZStringDictionary(const Limits &limits)
    : m_limits(limits)
{
}

ZStringDictionary::~ZStringDictionary() = default;

ZStringDictionary &ZStringDictionary::instance()
{
    static ZStringDictionary dictionary;
    return dictionary;
}

bool ZStringDictionary::load(const QString &path, int localeId, bool force)
{
    if (!force && localeId == englishLocaleId)
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    std::lock_guard lock(m_mutex);
    if (file.size() > m_limits.maxFileSize) {
        invalidate("the file is larger than a dictionary may be");
        return true;
    }
    loadDataLocked(file.readAll());
    return true;
}

void ZStringDictionary::loadData(const QByteArray &data)
{
    std::lock_guard lock(m_mutex);
    if (data.size() > m_limits.maxFileSize) {
        invalidate("the data is larger than a dictionary may be");
        return;
    }
    loadDataLocked(data);
}

void ZStringDictionary::loadDataLocked(const QByteArray &data)
{
    // A file shorter than the signature cannot be binary, but can well be a small text file.
    if (data.size() >= binarySignatureLength &&
        std::memcmp(data.constData(), binarySignature, binarySignatureLength) == 0) {
        BinaryDictionaryReader(*this).read(data);
        return;
    }
    loadTextLocked(data);
}

void ZStringDictionary::loadTextLocked(const QByteArray &data)
{
    TextDictionaryParser::Result text = TextDictionaryParser::parse(data, m_ansiCharset);
    if (!text.valid) {
        qCWarning(lcLocale, "text dictionary: %d lines are not ZStrings", text.invalidLines);
        m_valid = false;
    }
    for (DictionaryEntry &entry : text.entries)
        insertTextEntry(std::move(entry));
}

void ZStringDictionary::insertTextEntry(DictionaryEntry &&entry)
{
    const std::uint32_t hash = dictionaryHash(entry.key.constData(), std::size_t(entry.key.size()));
    if (m_mode == StorageMode::Tables) {
        if (const auto found = locateInTables(entry.key, hash)) {
            m_tables[found->first].replacementValues.insert(found->second, entry.value);
            return;
        }
        if (m_extraTexts.size() >= qsizetype(m_limits.maxEntries)) {
            invalidate("too many entries");
            return;
        }
        m_extraTexts.insert(entry.key, entry.value);
        return;
    }
    std::vector<DictionaryEntry> &chain = m_chains[hash];
    const auto existing = std::find_if(
        chain.begin(), chain.end(), [&](const DictionaryEntry &e) { return e.key == entry.key; });
    if (existing != chain.end()) {
        chain.erase(existing);
        --m_chainEntryCount;
    }
    if (m_chainEntryCount >= m_limits.maxEntries) {
        invalidate("too many entries");
        return;
    }
    chain.push_back(std::move(entry));
    ++m_chainEntryCount;
}

void ZStringDictionary::pushChainEntry(std::uint32_t bucket, DictionaryEntry &&entry)
{
    Q_ASSERT(bucket < std::uint32_t(dictionaryBucketCount));
    m_chains[bucket].push_back(std::move(entry));
    ++m_chainEntryCount;
}

std::uint32_t ZStringDictionary::loadedTableEntries() const
{
    return m_tables.empty() ? 0 : m_tables.back().baseIndex + m_tables.back().entryCount;
}

bool ZStringDictionary::addTable(DictionaryTable &&table,
                                 const std::vector<std::uint16_t> &bucketNumbers,
                                 const std::vector<std::vector<std::uint32_t>> &bucketEntries)
{
    const std::uint32_t loaded = loadedTableEntries();
    bool disableDuplicates = false;
    if (m_tables.empty()) {
        table.baseIndex = 0;
    } else if (table.baseIndex == 0) {
        table.baseIndex = loaded;
        disableDuplicates = loaded > 0;
    } else if (table.baseIndex != loaded) {
        return false;
    }
    if (int(m_tables.size()) >= m_limits.maxTables ||
        std::uint64_t(loaded) + table.entryCount > m_limits.maxEntries) {
        return false;
    }

    std::array<std::size_t, dictionaryBucketCount> previousSizes;
    for (int b = 0; b < dictionaryBucketCount; ++b)
        previousSizes[b] = m_tableBuckets[b].size();

    m_tables.push_back(std::move(table));
    DictionaryTable &added = m_tables.back();
    const std::size_t addedIndex = m_tables.size() - 1;
    for (std::size_t r = 0; r < bucketNumbers.size(); ++r) {
        std::vector<std::uint32_t> &bucket = m_tableBuckets[bucketNumbers[r]];
        bucket.reserve(bucket.size() + bucketEntries[r].size());
        for (const std::uint32_t local : bucketEntries[r]) {
            if (disableDuplicates) {
                const QByteArrayView key = added.key(local);
                const bool duplicate =
                    std::any_of(bucket.begin(), bucket.end(), [&](std::uint32_t g) {
                        const auto [t, l] = tableOf(g);
                        return equalBytes(t->key(l), key);
                    });
                if (duplicate) {
                    if (added.disabled.empty())
                        added.disabled.resize(added.entryCount, false);
                    added.disabled[local] = true;
                    if (added.liveCount > 0)
                        --added.liveCount;
                    continue;
                }
            }
            bucket.push_back(added.baseIndex + local);
        }
    }
    if (added.liveCount == 0) {
        // Nothing of it can be found: the table is dropped, together with its bucket entries.
        for (int b = 0; b < dictionaryBucketCount; ++b)
            m_tableBuckets[b].resize(previousSizes[b]);
        m_tables.erase(m_tables.begin() + std::ptrdiff_t(addedIndex));
        return true;
    }
    m_mode = StorageMode::Tables;
    return true;
}

std::pair<const DictionaryTable *, std::uint32_t>
ZStringDictionary::tableOf(std::uint32_t globalIndex) const
{
    if (m_tables.size() == 1)
        return {&m_tables.front(), globalIndex};
    auto it =
        std::upper_bound(m_tables.begin(), m_tables.end(), globalIndex,
                         [](std::uint32_t g, const DictionaryTable &t) { return g < t.baseIndex; });
    Q_ASSERT(it != m_tables.begin());
    --it;
    return {&*it, globalIndex - it->baseIndex};
}

std::optional<std::pair<std::size_t, std::uint32_t>>
ZStringDictionary::locateInTables(QByteArrayView key, std::uint32_t hash) const
{
    for (const std::uint32_t g : m_tableBuckets[hash]) {
        const auto [table, local] = tableOf(g);
        if (equalBytes(table->key(local), key))
            return std::pair{std::size_t(table - m_tables.data()), local};
    }
    return std::nullopt;
}

std::optional<QString> ZStringDictionary::findLocked(QByteArrayView key) const
{
    const std::uint32_t hash = dictionaryHash(key.data(), std::size_t(key.size()));
    if (m_mode == StorageMode::Tables) {
        if (const auto found = locateInTables(key, hash))
            return m_tables[found->first].value(found->second);
        if (!m_extraTexts.isEmpty()) {
            const auto it = m_extraTexts.constFind(key.toByteArray());
            if (it != m_extraTexts.constEnd())
                return *it;
        }
        return std::nullopt;
    }
    const std::vector<DictionaryEntry> &chain = m_chains[hash];
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (equalBytes(it->key, key))
            return it->value;
    }
    return std::nullopt;
}

std::optional<QString> ZStringDictionary::find(QByteArrayView key) const
{
    std::lock_guard lock(m_mutex);
    return findLocked(key);
}

QString ZStringDictionary::translate(std::string_view zstring) const
{
    if (zstring.empty())
        return {};
    if (zstring.find('=') == std::string_view::npos && zstring.substr(0, 3) != "$$$")
        return QString::fromUtf8(zstring.data(), qsizetype(zstring.size()));
    const auto parts = splitZString(zstring);
    if (!parts)
        return {};
    {
        std::lock_guard lock(m_mutex);
        if (auto text = findLocked(QByteArrayView(parts->key.data(), qsizetype(parts->key.size()))))
            return *std::move(text);
    }
    // Default texts are UTF-8, like every string literal of the program.
    return EscapeExpander::expand(
        QString::fromUtf8(parts->defaultText.data(), qsizetype(parts->defaultText.size())));
}

bool ZStringDictionary::isValid() const
{
    std::lock_guard lock(m_mutex);
    return m_valid;
}

ZStringDictionary::StorageMode ZStringDictionary::storageMode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

QByteArray ZStringDictionary::headerString() const
{
    std::lock_guard lock(m_mutex);
    return m_headerString;
}

int ZStringDictionary::tableCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_tables.size());
}

QList<DictionaryEntry> ZStringDictionary::entries() const
{
    std::lock_guard lock(m_mutex);
    QList<DictionaryEntry> result;
    QHash<QByteArray, qsizetype> seen;
    const auto add = [&](const QByteArray &key, const QString &value) {
        if (!seen.contains(key)) {
            seen.insert(key, result.size());
            result.append({key, value});
        }
    };
    // Only entries in their key's bucket can be found; a file may put one anywhere.
    const auto inBucket = [](QByteArrayView key, std::size_t bucket) {
        return dictionaryHash(key.data(), std::size_t(key.size())) == bucket;
    };
    if (m_mode == StorageMode::Tables) {
        for (std::size_t b = 0; b < m_tableBuckets.size(); ++b) {
            for (const std::uint32_t g : m_tableBuckets[b]) {
                const auto [table, local] = tableOf(g);
                const QByteArrayView key = table->key(local);
                if (inBucket(key, b))
                    add(key.toByteArray(), table->value(local));
            }
        }
        for (auto it = m_extraTexts.constBegin(); it != m_extraTexts.constEnd(); ++it)
            add(it.key(), it.value());
    } else {
        for (std::size_t b = 0; b < m_chains.size(); ++b) {
            for (auto it = m_chains[b].rbegin(); it != m_chains[b].rend(); ++it) {
                if (inBucket(it->key, b))
                    add(it->key, it->value);
            }
        }
    }
    std::sort(result.begin(), result.end(),
              [](const DictionaryEntry &a, const DictionaryEntry &b) { return a.key < b.key; });
    return result;
}

void ZStringDictionary::clear()
{
    std::lock_guard lock(m_mutex);
    m_valid = true;
    m_mode = StorageMode::Chains;
    for (auto &chain : m_chains)
        chain.clear();
    m_chainEntryCount = 0;
    m_tables.clear();
    for (auto &bucket : m_tableBuckets)
        bucket.clear();
    m_extraTexts.clear();
    m_headerString.clear();
}

void ZStringDictionary::setAnsiCharset(const QByteArray &charset)
{
    std::lock_guard lock(m_mutex);
    m_ansiCharset = charset;
}

QByteArray ZStringDictionary::ansiCharset() const
{
    std::lock_guard lock(m_mutex);
    return m_ansiCharset;
}

void ZStringDictionary::invalidate(const char *reason)
{
    qCWarning(lcLocale, "dictionary: %s", reason);
    m_valid = false;
}

bool loadDictionary(const QString &path, int localeId, bool force)
{
    return ZStringDictionary::instance().load(path, localeId, force);
}

} // namespace basekit_private
