#pragma once

#include "locale/dictionaryentry.h"
#include "locale/dictionaryhash.h"
#include "locale/dictionarytable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace basekit_private {

// The ZString dictionary: loads a "zstring.dct" (text, or binary version 1.0, 1.5 or 2.x) and
// answers lookups, falling back to a ZString's default text for keys it does not hold. One
// process-wide instance serves the whole program (instance()); lookups may come from any thread
// and are serialised by one lock. Bad content never fails a lookup: what could not be read is
// simply absent, and isValid() tells that something was wrong.
class ZStringDictionary
{
public:
    // Bounds on what a file can make the dictionary allocate.
    struct Limits
    {
        qint64 maxFileSize = 64 * 1024 * 1024;
        std::uint32_t maxEntriesPerTable = 1'000'000;
        std::uint32_t maxEntries = 4'000'000;
        int maxTables = 1024;
        std::uint32_t maxHeaderStringLength = 64 * 1024;
        std::uint32_t maxExtraRecords = 1'000'000;
    };

    enum class StorageMode { Chains = 0, Tables = 2 };

    static constexpr int englishLocaleId = 58;

    ZStringDictionary();
    explicit ZStringDictionary(const Limits &limits);
    ~ZStringDictionary();
    ZStringDictionary(const ZStringDictionary &) = delete;
    ZStringDictionary &operator=(const ZStringDictionary &) = delete;

    static ZStringDictionary &instance();

    // Reads the file into the dictionary. Without force, the English locale (id 58) reads
    // nothing: its texts are the defaults in the code. False only when the file cannot be
    // opened; unreadable content clears the valid flag instead.
    bool load(const QString &path, int localeId, bool force);
    // Reads a dictionary from memory (format detected from its first bytes).
    void loadData(const QByteArray &data);

    // The dictionary's text for a ZString's key, else its default text with escapes and entities
    // expanded. A string without "=" that does not start with "$$$" is not a ZString and comes
    // back as it is (decoded from UTF-8); an invalid ZString gives an empty text.
    QString translate(std::string_view zstring) const;
    // The text stored for a key, if any.
    std::optional<QString> find(QByteArrayView key) const;

    bool isValid() const;
    StorageMode storageMode() const;
    QByteArray headerString() const;
    int tableCount() const;
    // Every entry a lookup can reach, sorted by key.
    QList<DictionaryEntry> entries() const;
    void clear();

    // The character set of text dictionaries without a byte-order mark, the "ANSI code page";
    // empty (the default) means the system's (MultibyteReader::systemCharset()).
    void setAnsiCharset(const QByteArray &charset);
    QByteArray ansiCharset() const;

    const Limits &limits() const { return m_limits; }

private:
    friend class BinaryDictionaryReader;

    void loadDataLocked(const QByteArray &data, const std::shared_ptr<const void> &owner);
    void loadTextLocked(const QByteArray &data);
    std::optional<QString> findLocked(QByteArrayView key) const;
    void insertTextEntry(DictionaryEntry &&entry);
    void pushChainEntry(std::uint32_t bucket, DictionaryEntry &&entry);
    bool addTable(DictionaryTable &&table);
    std::optional<std::pair<std::size_t, std::uint32_t>> locateInTables(QByteArrayView key,
                                                                        std::uint32_t hash) const;
    std::uint32_t loadedTableEntries() const;
    void invalidate(const char *reason);

    const Limits m_limits;
    mutable std::mutex m_mutex;
    QByteArray m_ansiCharset;
    bool m_valid = true;
    StorageMode m_mode = StorageMode::Chains;
    // Storage for text and version-1 files: the chain's head is the back of each vector.
    std::array<std::vector<DictionaryEntry>, dictionaryBucketCount> m_chains;
    // Beside each chain, a tag of each entry's key (its length and last bytes), so a lookup
    // compares key bytes only where the tag matches.
    std::array<std::vector<std::uint64_t>, dictionaryBucketCount> m_chainTags;
    std::size_t m_chainEntryCount = 0;
    // Storage for version-2 files. A bucket's entries are those of the first table's bucket,
    // then the second's, and so on: the order of global entry indices.
    std::vector<DictionaryTable> m_tables;
    // Texts of text lines whose keys no table holds, once the tables are the storage.
    QHash<QByteArray, QString> m_extraTexts;
    QByteArray m_headerString;
};

// Loads the process-wide dictionary (ZStringDictionary::instance().load()).
bool loadDictionary(const QString &path, int localeId, bool force);

} // namespace basekit_private
