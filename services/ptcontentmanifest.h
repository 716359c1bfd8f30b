#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <map>
#include <string>
#include <string_view>

// The "manifest.txt" of a content folder: which item is present in which version. One line per
// entry in key order, the name, one blank and the version, each line ended by a line end;
// neither token holds white space. Reading takes white-space separated pairs of tokens up to the
// end of the file; when a pair lacks its version the whole map read so far is discarded.
class PtContentManifest
{
public:
    using Map = std::map<std::string, std::string>;

    static constexpr const char *fileName = "manifest.txt";
    // A larger file is no manifest this program wrote; it is read as empty.
    static constexpr qint64 maximumFileSize = 1024 * 1024;

    static Map parse(QByteArrayView text);
    // Entries whose name or version is not a valid token are left out.
    static QByteArray serialize(const Map &map);

    // The manifest at filePath; empty when the file is missing, unreadable or too large.
    static Map read(const QString &filePath);
    // Replaces filePath whole (a new file renamed over the old one, so a reader never sees half
    // a manifest and a symbolic link in its place is replaced, not followed). Writes nothing
    // for an empty map. False when the file could not be written.
    static bool write(const QString &filePath, const Map &map);

    // Non-empty, without white space, control characters or NUL: a token that survives a
    // write and a read unchanged.
    static bool isValidToken(std::string_view token);
};
