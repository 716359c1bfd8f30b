#pragma once

#include "platform/registry/hivekey.h"
#include "platform/registry/regtypes.h"

#include <QByteArrayList>
#include <QStringList>

#include <optional>

class RegDocument;

// The keys and values of one registry root (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or
// HKEY_CLASSES_ROOT) as held in its hive file. Key paths are written with backslashes
// ("Software\\Tessaly\\IAC"), relative to the root; the empty path is the root key itself.
class Hive
{
public:
    // Win32 limits: a key name is at most 255 characters, a path at most 512 levels deep, a value
    // name at most 16383 characters.
    static constexpr qsizetype MaxKeyNameLength = 255;
    static constexpr qsizetype MaxDepth = 512;
    static constexpr qsizetype MaxValueNameLength = 16383;

    explicit Hive(RegRoot root);
    Hive(const Hive &) = delete;
    Hive &operator=(const Hive &) = delete;

    RegRoot root() const { return m_root; }
    HiveKey &rootKey() { return m_rootKey; }
    const HiveKey &rootKey() const { return m_rootKey; }

    HiveKey *find(QStringView path);
    const HiveKey *find(QStringView path) const;
    // The key at path, made with any missing keys on the way (existing ones keep their case);
    // nullptr when the path is not a valid key path.
    HiveKey *create(QStringView path);
    // Deletes the key and everything below it; the root key cannot be deleted.
    bool remove(QStringView path);

    // Lines before the first section that could not be read, kept for the next write.
    const QByteArrayList &preamble() const { return m_preamble; }

    // Applies a parsed .reg document: sections of this root are created, deletions are carried
    // out, values are set. With keepUnreadable, lines that could not be read and sections of
    // another root are kept verbatim in the key they appeared under (a hive file); without, they
    // are left out (an import, which reports them before it applies anything).
    void apply(const RegDocument &document, bool keepUnreadable);

    // The components of a valid key path ("" gives an empty list); nothing for an invalid one
    // (an empty component, a name too long, a control character, too deep).
    static std::optional<QStringList> splitPath(QStringView path);
    static bool isValidValueName(QStringView name);

private:
    RegRoot m_root;
    HiveKey m_rootKey;
    QByteArrayList m_preamble;
};
