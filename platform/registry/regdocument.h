#pragma once

#include "platform/registry/regtypes.h"
#include "platform/registry/regvalue.h"

#include <QByteArrayList>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// A parsed .reg text ("Windows Registry Editor Version 5.00", [key] sections, "name"="text",
// dword:, hex:, hex(N):, @ for the unnamed value, [-key] and "name"=- deletions), as hive files
// and import files are written. Parsing never fails as a whole: a line that cannot be read
// becomes a Kept entry holding its bytes, with an issue saying why, so the caller can load
// everything readable and still write the rest back unchanged.
class RegDocument
{
public:
    // Limits on outside input: a larger file is not parsed at all, a longer (joined) line is kept
    // unread.
    static constexpr qsizetype MaxFileSize = 16 * 1024 * 1024;
    static constexpr qsizetype MaxLineLength = 1024 * 1024;

    struct Entry
    {
        enum Kind { Key, DeleteKey, Value, DeleteValue, Kept };
        Kind kind = Kept;
        int line = 0; // first line, counted from 1
        RegRoot root = RegRoot::CurrentUser;
        QString path; // below the root, backslash-separated
        QString name; // value name, empty for "@"
        RegValue value;
        QByteArrayList raw; // the lines as they stood in the file
    };

    struct Issue
    {
        int line;
        QString message;
    };

    static RegDocument parse(QByteArrayView bytes);

    bool hasHeader() const { return m_hasHeader; }
    bool tooLarge() const { return m_tooLarge; }
    const std::vector<Entry> &entries() const { return m_entries; }
    const std::vector<Issue> &issues() const { return m_issues; }

    // "HKEY_CURRENT_USER" ...
    static QString rootName(RegRoot root);
    // The long names and HKCU, HKLM, HKCR, in any letter case.
    static std::optional<RegRoot> parseRoot(QStringView name);
    // "HKCU\\Software\\X" into the root and "Software\\X"; nothing for an unknown root or an
    // invalid path.
    static std::optional<std::pair<RegRoot, QString>> splitFullPath(QStringView fullPath);

private:
    bool m_hasHeader = false;
    bool m_tooLarge = false;
    std::vector<Entry> m_entries;
    std::vector<Issue> m_issues;
};
