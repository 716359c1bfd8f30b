#include "services/ptcontentdownloadbgthread.h"

#include "services/mbsbridge.h"
#include "services/mbscontentitem.h"
#include "services/mbsitemname.h"
#include "services/mbslog.h"
#include "services/mbsref.h"
#include "services/mbsvaluesupport.h"

#include "locale/localeutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString manifestPath(const QString &folder)
{
    return QDir(folder).filePath(QLatin1String(PtContentManifest::fileName));
}

QFileInfoList entriesOf(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                      QDir::NoDotAndDotDot);
}

// Removes the files of a folder, descends into its sub-folders, and removes the folder itself.
// A symbolic link is removed as a link, never followed, so nothing outside the tree is touched.
bool deleteTree(const QString &folder)
{
    bool ok = true;
    for (const QFileInfo &entry : entriesOf(folder)) {
        if (entry.isDir() && !entry.isSymLink())
            ok = deleteTree(entry.absoluteFilePath()) && ok;
        else
            ok = QFile::remove(entry.absoluteFilePath()) && ok;
    }
    return QDir().rmdir(folder) && ok;
}

bool emptyFolder(const QString &folder)
{
    bool ok = true;
    for (const QFileInfo &entry : entriesOf(folder)) {
        if (entry.isDir() && !entry.isSymLink())
            ok = deleteTree(entry.absoluteFilePath()) && ok;
        else
            ok = QFile::remove(entry.absoluteFilePath()) && ok;
    }
    return ok;
}

// A real directory (not a link to one) that belongs to this user and that nobody else may
// write.
bool isPrivateFolder(const QString &folder)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(QDir::cleanPath(folder)).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}

bool isOwnFolder(const QString &folder)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(QDir::cleanPath(folder)).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

// Copies one regular file over target through a temporary file in the target's folder renamed
// over it: a reader never sees half a file, and a symbolic link at target is replaced rather
// than written through. The copy is writable by its owner (a read-only original is no obstacle).
bool replaceFile(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QFileInfo targetInfo(target);
    QTemporaryFile out(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                       QStringLiteral(".XXXXXX"));
    if (!out.open())
        return false;
    QByteArray chunk;
    while (!(chunk = in.read(64 * 1024)).isEmpty()) {
        if (out.write(chunk) != chunk.size())
            return false;
    }
    if (in.error() != QFileDevice::NoError || !out.flush())
        return false;
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                       QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(out.fileName()).constData(),
                    QFile::encodeName(targetInfo.absoluteFilePath()).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    return true;
}

// Copies the contents of source into target recursively, replacing files that exist. Follows
// no symbolic link on either side and writes only below target; false when anything could not
// be copied.
bool copyTree(const QString &source, const QString &target)
{
    bool ok = true;
    for (const QFileInfo &entry : entriesOf(source)) {
        const std::string name = QFile::encodeName(entry.fileName()).toStdString();
        // The folder's own manifest is the pass's to write, never an item's.
        if (entry.isSymLink() || !MBS::isSafeItemName(name) ||
            entry.fileName().compare(QLatin1String(PtContentManifest::fileName),
                                     Qt::CaseInsensitive) == 0) {
            qCWarning(lcMbs) << "content file not copied:" << entry.absoluteFilePath();
            ok = false;
            continue;
        }
        const QString destination = QDir(target).filePath(entry.fileName());
        const QFileInfo existing(destination);
        if (entry.isDir()) {
            if (existing.isSymLink() || (existing.exists() && !existing.isDir())) {
                qCWarning(lcMbs) << "content folder not copied over:" << destination;
                ok = false;
                continue;
            }
            if (!existing.exists() && !QDir(target).mkdir(entry.fileName())) {
                ok = false;
                continue;
            }
            ok = copyTree(entry.absoluteFilePath(), destination) && ok;
        } else if (entry.isFile()) {
            if (existing.isDir() && !existing.isSymLink()) {
                qCWarning(lcMbs) << "content file not copied over a folder:" << destination;
                ok = false;
                continue;
            }
            ok = replaceFile(entry.absoluteFilePath(), destination) && ok;
        } else {
            ok = false;
        }
    }
    return ok;
}

// The text of one of the item's string getters (empty when it fails).
std::string textOf(MBS::ContentItem *content,
                   MBS::Result (MBS::ContentItem::*getter)(MBS::StringValue **))
{
    MBS::StringValue *value = nullptr;
    if ((content->*getter)(&value) != MBS::kSuccess) {
        if (value)
            value->release();
        return {};
    }
    return MBS::readStringValue(value);
}

QString printable(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

PtContentDownloadBgThread::PtContentDownloadBgThread(QObject *parent, const QString &podsFolder,
                                                     const QString &applicationSwfFolder)
    : QThread(parent)
    , m_podsFolder(podsFolder)
    , m_applicationSwfFolder(applicationSwfFolder)
    , m_localeCode(LocaleUtil::currentLocaleCode(QCoreApplication::applicationDirPath()))
{
}

PtContentDownloadBgThread::~PtContentDownloadBgThread()
{
    // The pass may still be downloading: stop it before its manifest is touched here, since the
    // two would otherwise race on the same map and file. A download cancelled between two of
    // these calls is cancelled by the next one.
    if (isRunning()) {
        requestInterruption();
        while (!wait(QDeadlineTimer(100))) {
            QMutexLocker locker(&m_contentMgrLock);
            if (m_contentMgr)
                m_contentMgr->cancelDownloads();
        }
    }
    if (!m_podsManifestWritten) {
        PtContentManifest::write(manifestPath(m_podsFolder), m_podsManifest);
        m_podsManifest.clear();
    }
    if (!m_applicationMoviesManifestWritten && !m_applicationSwfFolder.isEmpty()) {
        PtContentManifest::write(manifestPath(m_applicationSwfFolder), m_applicationMoviesManifest);
        m_applicationMoviesManifest.clear();
    }
    MbsBridge(m_libraryFile).shutDownContentManager();
    QMutexLocker locker(&m_contentMgrLock);
    if (m_contentMgr) {
        m_contentMgr->release();
        m_contentMgr = nullptr;
    }
}

QString PtContentDownloadBgThread::scratchFolder()
{
    return QDir::tempPath() + QDir::separator() + QStringLiteral("WelcomeScreen") +
           QDir::separator();
}

void PtContentDownloadBgThread::run()
{
    setTerminationEnabled(true);
    MBS::ContentMgr *manager = MbsBridge(m_libraryFile).startContentManager(m_localeCode);
    if (!manager) {
        qCDebug(lcMbs) << "no content manager; content download skipped";
        return;
    }
    {
        QMutexLocker locker(&m_contentMgrLock);
        m_contentMgr = manager;
    }
    if (!QDir().mkpath(m_podsFolder)) {
        qCWarning(lcMbs) << "pods folder cannot be made:" << m_podsFolder;
        return;
    }
    m_podsManifest = PtContentManifest::read(manifestPath(m_podsFolder));
    synchronise(MBS::kKindWelcomeScreenPods, m_podsFolder, m_podsManifest);
}

QString PtContentDownloadBgThread::prepareScratch()
{
    const auto privateMode =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    // The temporary folder may be shared by several users: a scratch folder of this name that
    // belongs to another one is not ours to use or remove, and a symbolic link in its place is
    // removed as a link. Another user's folder sends the downloads to one of our own instead.
    // Paths without their final separator: through "link/" the system would look at the
    // link's target, not at the link.
    auto clear = [](const QString &folder) {
        const QFileInfo info(QDir::cleanPath(folder));
        if (info.isSymLink())
            QFile::remove(info.filePath());
        else if (info.isDir() && isOwnFolder(folder))
            deleteTree(info.filePath());
    };
    const QStringList candidates{scratchFolder(),
                                 QDir::tempPath() + QStringLiteral("/WelcomeScreen-") +
                                     QString::number(::geteuid()) + QDir::separator()};
    for (const QString &scratch : candidates) {
        clear(scratch);
        if ((QDir().mkdir(scratch, privateMode) || QFileInfo(scratch).isDir()) &&
            isPrivateFolder(scratch))
            return scratch;
    }
    qCWarning(lcMbs) << "no private scratch folder for downloads below" << QDir::tempPath();
    return QString();
}

void PtContentDownloadBgThread::synchronise(uint32_t kind, const QString &folder,
                                            PtContentManifest::Map &manifest)
{
    const bool hadEntries = !manifest.empty();
    MBS::Ref<MBS::ContentList> list;
    uint32_t count = 0;
    if (m_contentMgr->listContent(kind, list.put()) != MBS::kSuccess || !list ||
        list->getCount(&count) != MBS::kSuccess)
        count = 0;

    const QString scratch = prepareScratch();
    bool interrupted = false;
    for (uint32_t index = 0; index < count; ++index) {
        if (isInterruptionRequested()) {
            interrupted = true;
            break;
        }
        MBS::Ref<MBS::Base> item;
        if (list->getItem(index, item.put()) != MBS::kSuccess || !item)
            continue;
        MBS::Ref<MBS::ContentItem> content(
            MBS::queryInterface<MBS::ContentItem>(item.get(), MBS::kCodeContentItem));
        if (!content)
            continue;
        uint32_t offered = 1;
        content->isOffered(&offered);
        if (!offered) {
            const std::string name = textOf(content.get(), &MBS::ContentItem::getName);
            const std::string identifier = textOf(content.get(), &MBS::ContentItem::getIdentifier);
            if (!MBS::isSafeItemName(name)) {
                qCWarning(lcMbs) << "withdrawn content item skipped, unsafe name:"
                                 << printable(name);
                continue;
            }
            manifest.erase(name);
            // The manifest is keyed by identifier: without this a withdrawn item offered again
            // in the same version would count as present although its files are gone.
            if (MBS::isSafeItemName(identifier))
                manifest.erase(identifier);
            const QDir target(folder);
            for (const char *suffix : {".swf", ".metadata.xml"}) {
                const QString file = target.filePath(printable(name) + QLatin1String(suffix));
                if (QFileInfo(file).isSymLink() || QFileInfo::exists(file))
                    QFile::remove(file);
            }
            continue;
        }
        const std::string identifier = textOf(content.get(), &MBS::ContentItem::getIdentifier);
        const std::string version = textOf(content.get(), &MBS::ContentItem::getVersion);
        if (!MBS::isSafeItemName(identifier) || !PtContentManifest::isValidToken(version)) {
            qCWarning(lcMbs) << "content item skipped, unsafe identifier or version:"
                             << printable(identifier) << printable(version);
            continue;
        }
        const auto present = manifest.find(identifier);
        if (present != manifest.end() && present->second == version)
            continue;
        if (scratch.isEmpty())
            continue;
        MBS::Ref<MBS::ContentDownload> download(
            MBS::queryInterface<MBS::ContentDownload>(item.get(), MBS::kCodeContentDownload));
        MBS::Ref<MBS::StringValue> scratchValue;
        MBS::makeStringValue(QFile::encodeName(scratch).toStdString(), scratchValue.put());
        if (!download || !scratchValue)
            continue;
        if (m_contentMgr->downloadContent(download.get(), scratchValue.get()) != MBS::kSuccess) {
            qCInfo(lcMbs) << "content item not downloaded:" << printable(identifier);
            emptyFolder(scratch);
            continue;
        }
        const bool copied = copyTree(scratch, folder);
        // Each item's files are copied once; the next item finds the scratch folder empty.
        emptyFolder(scratch);
        if (!copied) {
            qCWarning(lcMbs) << "content item not fully copied, kept for the next pass:"
                             << printable(identifier);
            continue;
        }
        manifest[identifier] = version;
    }
    if (!scratch.isEmpty())
        deleteTree(scratch);
    if (interrupted)
        return;

    if (!manifest.empty())
        PtContentManifest::write(manifestPath(folder), manifest);
    else if (hadEntries)
        QFile::remove(manifestPath(folder)); // every listed item withdrawn: no stale lines
    if (kind == MBS::kKindWelcomeScreenPods || kind == MBS::kKindWelcomeScreenOther)
        m_podsManifestWritten = true;
    else if (kind == MBS::kKindApplicationMovies || kind == MBS::kKindMemberMovies)
        m_applicationMoviesManifestWritten = true;
}
