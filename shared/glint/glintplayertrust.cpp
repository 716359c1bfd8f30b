#include "shared/glint/glintplayertrust.h"

#include "platform/folders/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QStringList &ownFolders()
{
    static QStringList folders;
    return folders;
}

// The absolute path with symbolic links, "." and ".." resolved. For a path that does not exist
// (yet) the nearest existing folder above it is resolved and the rest appended, so a missing
// movie below a linked folder still compares equal to that folder's real path.
QString resolved(const QString &path)
{
    QString rest;
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (true) {
        const QString canonical = QFileInfo(current).canonicalFilePath();
        if (!canonical.isEmpty())
            return rest.isEmpty() ? canonical
                                  : QDir::cleanPath(canonical + QLatin1Char('/') + rest);
        const int slash = current.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        const QString name = current.mid(slash + 1);
        rest = rest.isEmpty() ? name : name + QLatin1Char('/') + rest;
        current = current.left(slash);
    }
}

} // namespace

QString GlintPlayerTrust::trustFolder()
{
    return Folders::userAppData() +
           QStringLiteral("/Halvex/Glint Player/#Security/GlintPlayerTrust/");
}

void GlintPlayerTrust::setOwnMovieFolders(const QStringList &folders)
{
    ownFolders() = folders;
}

QStringList GlintPlayerTrust::ownMovieFolders()
{
    return ownFolders();
}

QStringList GlintPlayerTrust::parseTrustFile(const QByteArray &content)
{
    QStringList folders;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.contains('\0'))
            continue;
        // A relative line would be trusted relative to whatever folder the host runs in, and Qt
        // counts ":/..." resource paths as absolute though they clean to relative ones; only a
        // file-system path from the root is a folder.
        if (!line.startsWith('/'))
            continue;
        const QString folder = QDir::cleanPath(QString::fromUtf8(line));
        // "/.." stays as it is after cleaning; it names no folder anyone meant to trust.
        if (folder == QLatin1String("/..") || folder.startsWith(QLatin1String("/../")))
            continue;
        folders << folder;
    }
    return folders;
}

QStringList GlintPlayerTrust::trustedFolders()
{
    const QDir folder(trustFolder());
    QStringList names =
        folder.entryList({QStringLiteral("*.cfg")}, QDir::Files | QDir::Hidden, QDir::Name);
    if (names.size() > kMaxTrustFiles)
        names.resize(kMaxTrustFiles);
    QStringList folders;
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        if (file.size() > kMaxTrustFileSize || !file.open(QIODevice::ReadOnly))
            continue;
        folders << parseTrustFile(file.read(kMaxTrustFileSize));
    }
    return folders;
}

bool GlintPlayerTrust::isInside(const QString &path, const QString &folder)
{
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QString p = resolved(path);
    const QString f = resolved(folder);
    if (f == QLatin1String("/"))
        return true;
    return p == f || p.startsWith(f + QLatin1Char('/'));
}

bool GlintPlayerTrust::mayLoad(const QString &moviePath)
{
    const QStringList own = ownFolders();
    if (own.isEmpty())
        return true;
    for (const QString &folder : own) {
        if (isInside(moviePath, folder))
            return true;
    }
    for (const QString &folder : trustedFolders()) {
        if (isInside(moviePath, folder))
            return true;
    }
    return false;
}
