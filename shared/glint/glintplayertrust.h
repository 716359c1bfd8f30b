#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Which folders the movie player may load movies from.
//
// A host declares its own movie folders (the launcher: its "Required/" and localised
// "application_swfs/" folders). From then on the player loads a movie only from inside those
// folders or from inside a folder that a trust file of the user lists: every "*.cfg" file in
// trustFolder(), one absolute folder a line. A host that declares no folders of its own (tools,
// tests of single movies) is not restricted.
//
// Paths are compared after resolving "." and ".." and symbolic links, so a movie cannot reach
// out of a trusted folder through either.
class GlintPlayerTrust
{
public:
    // Trust files larger than this are ignored whole; so are the files beyond kMaxTrustFiles.
    static constexpr qint64 kMaxTrustFileSize = 64 * 1024;
    static constexpr int kMaxTrustFiles = 256;

    // <user data>/Halvex/Glint Player/#Security/GlintPlayerTrust/
    static QString trustFolder();

    static void setOwnMovieFolders(const QStringList &folders);
    static QStringList ownMovieFolders();

    // The folders one trust file lists: each non-empty line that is an absolute path, cleaned,
    // without its line end. Anything else (relative paths, lines with a NUL) is skipped.
    static QStringList parseTrustFile(const QByteArray &content);
    // The folders all of the user's trust files list, in file-name order.
    static QStringList trustedFolders();

    // Whether a movie file, or a component folder, may be loaded.
    static bool mayLoad(const QString &moviePath);
    // Whether path is folder itself or lies below it, both resolved as above.
    static bool isInside(const QString &path, const QString &folder);
};
