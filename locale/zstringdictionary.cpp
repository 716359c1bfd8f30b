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

std::uint64_t keyTag(QByteArrayView key)
{
    std::uint64_t tail = 0;
    const qsizetype n = std::min<qsizetype>(key.size(), 8);
    if (n > 0)
        std::memcpy(&tail, key.data() + key.size() - n, std::size_t(n));
    return tail ^ (std::uint64_t(key.size()) * 0x9E3779B97F4A7C15ull);
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
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return false;
    std::lock_guard lock(m_mutex);
    const qint64 size = file->size();
    if (size > m_limits.maxFileSize) {
        invalidate("the file is larger than a dictionary may be");
        return true;
    }
    // Version-2 tables are used where they lie in the file, so the file is mapped rather than
    // copied; the tables keep the mapping alive.
    if (size > 0) {
        if (const uchar *mapped = file->map(0, size)) {
            const QByteArray data =
                QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), qsizetype(size));
            loadDataLocked(data, std::shared_ptr<const void>(file, file.get()));
            return true;
        }
    }
    loadDataLocked(file->readAll(), nullptr);
    return true;
}

void ZStringDictionary::loadData(const QByteArray &data)
{
    std::lock_guard lock(m_mutex);
    if (data.size() > m_limits.maxFileSize) {
        invalidate("the data is larger than a dictionary may be");
        return;
    }
    loadDataLocked(data, nullptr);
}

void ZStringDictionary::loadDataLocked(const QByteArray &data,
                                       const std::shared_ptr<const void> &owner)
{
    // A file shorter than the signature cannot be binary, but can well be a small text file.
    if (data.size() >= binarySignatureLength &&
        std::memcmp(data.constData(), binarySignature, binarySignatureLength) == 0) {
        BinaryDictionaryReader(*this).read(data, owner);
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
        m_chainTags[hash].erase(m_chainTags[hash].begin() + (existing - chain.begin()));
        chain.erase(existing);
        --m_chainEntryCount;
    }
    if (m_chainEntryCount >= m_limits.maxEntries) {
        invalidate("too many entries");
        return;
    }
    pushChainEntry(hash, std::move(entry));
}

void ZStringDictionary::pushChainEntry(std::uint32_t bucket, DictionaryEntry &&entry)
{
    Q_ASSERT(bucket < std::uint32_t(dictionaryBucketCount));
    m_chainTags[bucket].push_back(keyTag(entry.key));
    m_chains[bucket].push_back(std::move(entry));
    ++m_chainEntryCount;
}

std::uint32_t ZStringDictionary::loadedTableEntries() const
{
    return m_tables.empty() ? 0 : m_tables.back().baseIndex + m_tables.back().entryCount;
}

bool ZStringDictionary::addTable(DictionaryTable &&table)
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
    if (disableDuplicates && table.keysPresent) {
        // An entry whose key is already in its bucket, from an earlier table or earlier in
        // this one, is disabled: the text loaded first stays.
        for (std::size_t b = 0; b < table.buckets.size(); ++b) {
            const DictionaryTable::BucketRange range = table.buckets[b];
            for (std::uint32_t p = range.first; p < range.first + range.count; ++p) {
                const std::uint32_t local = table.localAt(p);
                const QByteArrayView key = table.key(local);
                bool duplicate = false;
                for (const DictionaryTable &earlier : m_tables) {
                    if (earlier.buckets.empty())
                        continue;
                    const DictionaryTable::BucketRange r = earlier.buckets[b];
                    for (std::uint32_t q = r.first; q < r.first + r.count && !duplicate; ++q) {
                        const std::uint32_t l = earlier.localAt(q);
                        duplicate = !earlier.isDisabled(l) && equalBytes(earlier.key(l), key);
                    }
                    if (duplicate)
                        break;
                }
                for (std::uint32_t q = range.first; q < p && !duplicate; ++q) {
                    const std::uint32_t l = table.localAt(q);
                    duplicate = !table.isDisabled(l) && equalBytes(table.key(l), key);
                }
                if (duplicate && !table.isDisabled(local)) {
                    if (table.disabled.empty())
                        table.disabled.resize(table.entryCount, false);
                    table.disabled[local] = true;
                    if (table.liveCount > 0)
                        --table.liveCount;
                }
            }
        }
    }
    // A table with nothing left to find is dropped.
    if (table.liveCount == 0)
        return true;
    m_tables.push_back(std::move(table));
    m_mode = StorageMode::Tables;
    return true;
}

std::optional<std::pair<std::size_t, std::uint32_t>>
ZStringDictionary::locateInTables(QByteArrayView key, std::uint32_t hash) const
{
    for (std::size_t t = 0; t < m_tables.size(); ++t) {
        const DictionaryTable &table = m_tables[t];
        if (table.buckets.empty())
            continue;
        const DictionaryTable::BucketRange range = table.buckets[hash];
        for (std::uint32_t p = range.first; p < range.first + range.count; ++p) {
            const std::uint32_t local = table.localAt(p);
            if (equalBytes(table.key(local), key) && !table.isDisabled(local))
                return std::pair{t, local};
        }
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
    const std::vector<std::uint64_t> &tags = m_chainTags[hash];
    const std::uint64_t tag = keyTag(key);
    for (std::size_t i = chain.size(); i-- > 0;) {
        if (tags[i] == tag && equalBytes(chain[i].key, key))
            return chain[i].value;
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
    if (zstring.substr(0, 3) != "$$$" && zstring.find('=') == std::string_view::npos)
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
        for (std::size_t b = 0; b < std::size_t(dictionaryBucketCount); ++b) {
            for (const DictionaryTable &table : m_tables) {
                if (table.buckets.empty())
                    continue;
                const DictionaryTable::BucketRange range = table.buckets[b];
                for (std::uint32_t p = range.first; p < range.first + range.count; ++p) {
                    const std::uint32_t local = table.localAt(p);
                    const QByteArrayView key = table.key(local);
                    if (!table.isDisabled(local) && inBucket(key, b))
                        add(key.toByteArray(), table.value(local));
                }
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
    for (auto &tags : m_chainTags)
        tags.clear();
    m_chainEntryCount = 0;
    m_tables.clear();
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
