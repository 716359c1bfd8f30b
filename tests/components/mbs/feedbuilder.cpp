#include "tests/components/mbs/feedbuilder.h"

#include "tests/components/mbs/feedhttpserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

QString FeedBuilder::pathOf(const QString &identifier, const QString &version, const QString &name)
{
    // The identifier in hex: the feed's paths stay safe whatever identifier a test gives.
    return QString::fromLatin1(identifier.toUtf8().toHex()) + QLatin1Char('/') + version +
           QLatin1Char('/') + name;
}

FeedBuilder &FeedBuilder::item(const QString &name, const QString &identifier,
                               const QString &version, const QList<File> &files,
                               const QJsonObject &extra)
{
    Entry entry;
    entry.json = {{QStringLiteral("kind"), QStringLiteral("wspd")},
                  {QStringLiteral("name"), name},
                  {QStringLiteral("identifier"), identifier},
                  {QStringLiteral("version"), version},
                  {QStringLiteral("offered"), true}};
    QJsonArray list;
    for (const File &file : files) {
        const QString path = pathOf(identifier, version, file.name);
        list.append(QJsonObject{
            {QStringLiteral("name"), file.name},
            {QStringLiteral("size"), double(file.content.size())},
            {QStringLiteral("sha256"),
             QString::fromLatin1(
                 QCryptographicHash::hash(file.content, QCryptographicHash::Sha256).toHex())},
            {QStringLiteral("path"), path}});
        entry.files.append({path, file.content});
    }
    entry.json.insert(QStringLiteral("files"), list);
    for (auto it = extra.begin(); it != extra.end(); ++it)
        entry.json.insert(it.key(), it.value());
    m_entries.append(entry);
    return *this;
}

FeedBuilder &FeedBuilder::withdrawn(const QString &name, const QString &identifier,
                                    const QString &version)
{
    Entry entry;
    entry.json = {{QStringLiteral("kind"), QStringLiteral("wspd")},
                  {QStringLiteral("name"), name},
                  {QStringLiteral("identifier"), identifier},
                  {QStringLiteral("version"), version},
                  {QStringLiteral("offered"), false}};
    m_entries.append(entry);
    return *this;
}

QByteArray FeedBuilder::index() const
{
    QJsonArray items;
    for (const Entry &entry : m_entries)
        items.append(entry.json);
    return QJsonDocument(
               QJsonObject{{QStringLiteral("format"), 1}, {QStringLiteral("items"), items}})
        .toJson();
}

void FeedBuilder::writeTo(const QString &folder) const
{
    auto write = [](const QString &path, const QByteArray &content) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    };
    write(QDir(folder).filePath(QStringLiteral("index.json")), index());
    for (const Entry &entry : m_entries) {
        for (const auto &[path, content] : entry.files)
            write(QDir(folder).filePath(path), content);
    }
}

void FeedBuilder::serveOn(FeedHttpServer &server, const QString &root) const
{
    const QString prefix = QLatin1Char('/') + root + QLatin1Char('/');
    server.setBody(prefix + QStringLiteral("index.json"), index());
    for (const Entry &entry : m_entries) {
        for (const auto &[path, content] : entry.files)
            server.setBody(prefix + path, content);
    }
}
