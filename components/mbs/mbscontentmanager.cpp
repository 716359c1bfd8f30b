#include "components/mbs/mbscontentmanager.h"

#include "components/mbs/feedfetcher.h"
#include "components/mbs/feedindex.h"
#include "components/mbs/feedsettings.h"
#include "components/mbs/mbscontentitemobject.h"
#include "components/mbs/mbscontentlistobject.h"
#include "components/mbs/mbslog.h"
#include "services/mbsvaluesupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

namespace {

// The text of a value the caller keeps: readStringValue consumes a reference, so one is added.
QString textOf(MBS::StringValue *value)
{
    if (!value)
        return QString();
    value->addRef();
    return QString::fromStdString(MBS::readStringValue(value));
}

MBS::Result handOut(const QString &text, MBS::StringValue **out)
{
    if (!out)
        return MBS::kErrorGeneric;
    return MBS::makeStringValue(text.toUtf8().toStdString(), out);
}

QUrl fileUrl(const QUrl &root, const QString &relativePath)
{
    QByteArray encoded;
    for (const QString &segment : relativePath.split(QLatin1Char('/'))) {
        if (!encoded.isEmpty())
            encoded.append('/');
        encoded.append(QUrl::toPercentEncoding(segment));
    }
    return root.resolved(QUrl::fromEncoded(encoded));
}

bool matches(const QStringList &allowed, const QString &value)
{
    return allowed.isEmpty() || value.isEmpty() || allowed.contains(value.toLower());
}

// One file of an item being downloaded: a hidden temporary file in the target folder, renamed
// to its name only when every file of the item arrived intact.
struct StagedFile
{
    std::unique_ptr<QTemporaryFile> file;
    QString finalPath;
};

} // namespace

MbsContentManager *MbsContentManager::instance()
{
    // Never released: the manager lives as long as the library, which stays loaded.
    static MbsContentManager *const manager = new MbsContentManager();
    return manager;
}

MBS::Result MbsContentManager::fail(const QString &message)
{
    qCInfo(lcMbsComponent).noquote() << message;
    QMutexLocker locker(&m_lock);
    m_lastError = message;
    return MBS::kErrorGeneric;
}

std::chrono::milliseconds MbsContentManager::timeout() const
{
    QMutexLocker locker(&m_lock);
    return m_timeout ? *m_timeout : FeedSettings::downloadTimeout();
}

qint64 MbsContentManager::sizeLimit() const
{
    QMutexLocker locker(&m_lock);
    return m_sizeLimit ? *m_sizeLimit : FeedSettings::downloadSizeLimit();
}

std::optional<MbsContentManager::Index> MbsContentManager::index()
{
    {
        QMutexLocker locker(&m_lock);
        if (m_index)
            return m_index;
    }
    const QString text = FeedSettings::feedText();
    const std::optional<QUrl> root = FeedSettings::parseFeed(text);
    Index index;
    if (!root) {
        if (!text.isEmpty())
            qCWarning(lcMbsComponent) << "content feed not usable:" << text;
        QMutexLocker locker(&m_lock);
        m_index = index;
        return index;
    }
    index.root = *root;
    QByteArray bytes;
    const FeedFetcher fetcher(timeout(), &m_canceller);
    const FeedFetcher::Result fetched =
        fetcher.fetch(root->resolved(QUrl(QStringLiteral("index.json"))),
                      FeedIndex::maximumIndexSize, [&](QByteArrayView chunk, QString *) {
                          bytes.append(chunk.data(), chunk.size());
                          return true;
                      });
    if (!fetched.ok) {
        fail(QStringLiteral("content feed index not read: ") + fetched.error);
        return std::nullopt;
    }
    FeedIndex::Result parsed = FeedIndex::parse(bytes);
    for (const QString &warning : std::as_const(parsed.warnings))
        qCWarning(lcMbsComponent).noquote() << "content feed item left out:" << warning;
    if (!parsed.ok) {
        fail(QStringLiteral("content feed index refused: ") + parsed.error);
        return std::nullopt;
    }
    index.items = std::move(parsed.items);
    QMutexLocker locker(&m_lock);
    m_index = index;
    return index;
}

bool MbsContentManager::applies(const FeedItem &item) const
{
    return matches(item.products, m_product) && matches(item.locales, m_locale) &&
           matches(item.productVersions, m_productVersion);
}

MBS::Result MbsContentManager::listContent(uint32_t kind, MBS::ContentList **list)
{
    if (!list)
        return MBS::kErrorGeneric;
    *list = nullptr;
    const std::optional<Index> feed = index();
    if (!feed)
        return MBS::kErrorGeneric;
    std::vector<MbsContentItemObject *> items;
    {
        QMutexLocker locker(&m_lock);
        for (const FeedItem &item : feed->items) {
            if (item.kind != kind || !applies(item))
                continue;
            if (MbsContentItemObject *object = MbsContentItemObject::create(item, feed->root))
                items.push_back(object);
        }
    }
    *list = MbsContentListObject::create(std::move(items));
    return *list ? MBS::kSuccess : MBS::kErrorGeneric;
}

MBS::Result MbsContentManager::downloadContent(MBS::ContentDownload *download,
                                               MBS::StringValue *folderValue)
{
    const auto *object = dynamic_cast<MbsContentItemObject *>(download);
    if (!object || !folderValue)
        return fail(QStringLiteral("download: no item of this library or no folder"));
    const FeedItem &item = object->item();
    const QString folder = textOf(folderValue);
    if (!item.offered)
        return fail(QStringLiteral("download: %1 is withdrawn").arg(item.identifier));
    const qint64 limit = sizeLimit();
    if (item.totalSize() > limit)
        return fail(QStringLiteral("download: %1 has %2 bytes, more than the limit of %3")
                        .arg(item.identifier)
                        .arg(item.totalSize())
                        .arg(limit));
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return fail(QStringLiteral("download: folder %1 cannot be made").arg(folder));

    const FeedFetcher fetcher(timeout(), &m_canceller);
    std::vector<StagedFile> staged;
    for (const FeedItem::File &file : item.files) {
        StagedFile stage;
        stage.finalPath = QDir(folder).filePath(file.name);
        stage.file = std::make_unique<QTemporaryFile>(QDir(folder).filePath(
            QStringLiteral(".") + file.name + QStringLiteral(".part-XXXXXX")));
        if (!stage.file->open())
            return fail(QStringLiteral("download: %1 cannot be written").arg(stage.finalPath));
        QCryptographicHash sum(QCryptographicHash::Sha256);
        QTemporaryFile *out = stage.file.get();
        const QUrl url = fileUrl(object->feedRoot(), file.path);
        const FeedFetcher::Result fetched =
            fetcher.fetch(url, file.size, [&](QByteArrayView chunk, QString *why) {
                sum.addData(chunk);
                if (out->write(chunk.data(), chunk.size()) != chunk.size()) {
                    *why = QStringLiteral("%1 cannot be written").arg(out->fileName());
                    return false;
                }
                return true;
            });
        if (!fetched.ok)
            return fail(
                QStringLiteral("download of %1 failed: %2").arg(item.identifier, fetched.error));
        if (fetched.bytes != file.size)
            return fail(QStringLiteral("download of %1 failed: %2 has %3 of %4 bytes")
                            .arg(item.identifier, url.toDisplayString())
                            .arg(fetched.bytes)
                            .arg(file.size));
        if (sum.result() != file.sha256)
            return fail(QStringLiteral("download of %1 failed: %2 has the wrong SHA-256 sum")
                            .arg(item.identifier, url.toDisplayString()));
        if (!out->flush())
            return fail(QStringLiteral("download: %1 cannot be written").arg(out->fileName()));
        staged.push_back(std::move(stage));
    }
    // Every file arrived intact: give them their names. Should a rename fail, the ones already
    // renamed go again, so the folder holds all of the item or nothing of it.
    std::vector<QString> placed;
    for (StagedFile &stage : staged) {
        stage.file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (std::rename(QFile::encodeName(stage.file->fileName()).constData(),
                        QFile::encodeName(stage.finalPath).constData()) != 0) {
            for (const QString &path : placed)
                QFile::remove(path);
            return fail(QStringLiteral("download: %1 cannot be placed").arg(stage.finalPath));
        }
        stage.file->setAutoRemove(false);
        placed.push_back(stage.finalPath);
    }
    QMutexLocker locker(&m_lock);
    m_lastError.clear();
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::getFeedLocation(MBS::StringValue **location)
{
    const std::optional<QUrl> root = FeedSettings::feedRoot();
    return handOut(root ? root->toString(QUrl::PreferLocalFile) : QString(), location);
}

MBS::Result MbsContentManager::getLastError(MBS::StringValue **message)
{
    QMutexLocker locker(&m_lock);
    return handOut(m_lastError, message);
}

MBS::Result MbsContentManager::setDownloadTimeout(uint32_t milliseconds)
{
    if (milliseconds == 0)
        return MBS::kErrorGeneric;
    QMutexLocker locker(&m_lock);
    m_timeout = std::chrono::milliseconds(milliseconds);
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::setDownloadSizeLimit(uint64_t bytes)
{
    if (bytes == 0 || bytes > uint64_t(FeedIndex::maximumFileSize))
        return MBS::kErrorGeneric;
    QMutexLocker locker(&m_lock);
    m_sizeLimit = qint64(bytes);
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::cancelDownloads()
{
    m_canceller.cancel();
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::refresh()
{
    QMutexLocker locker(&m_lock);
    m_index.reset();
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::setProduct(MBS::StringValue *product)
{
    const QString text = textOf(product);
    QMutexLocker locker(&m_lock);
    m_product = text.toLower();
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::setLocale(MBS::StringValue *locale)
{
    const QString text = textOf(locale);
    QMutexLocker locker(&m_lock);
    m_locale = text.toLower();
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::setProductVersion(MBS::StringValue *version)
{
    const QString text = textOf(version);
    QMutexLocker locker(&m_lock);
    m_productVersion = text.toLower();
    return MBS::kSuccess;
}

MBS::Result MbsContentManager::shutDown()
{
    m_canceller.cancel();
    QMutexLocker locker(&m_lock);
    m_index.reset();
    m_product.clear();
    m_locale.clear();
    m_productVersion.clear();
    m_lastError.clear();
    m_timeout.reset();
    m_sizeLimit.reset();
    return MBS::kSuccess;
}
