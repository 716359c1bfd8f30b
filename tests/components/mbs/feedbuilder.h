#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

class FeedHttpServer;

// Writes content feeds for tests: the item files and an "index.json" whose sizes and SHA-256
// sums match them, into a folder or onto a FeedHttpServer below a path.
class FeedBuilder
{
public:
    struct File
    {
        QString name;
        QByteArray content;
    };

    // An offered item of kind "wspd" (unless extra says otherwise) whose files lie at
    // pathOf(identifier, version, name) below the feed root. extra is merged into the item's
    // JSON object (e.g. {"locales": ["de_de"]}).
    FeedBuilder &item(const QString &name, const QString &identifier, const QString &version,
                      const QList<File> &files, const QJsonObject &extra = QJsonObject());
    // A withdrawn item (no files).
    FeedBuilder &withdrawn(const QString &name, const QString &identifier,
                           const QString &version = QStringLiteral("1"));

    QByteArray index() const;
    // Relative path of a file of an item below the feed root: "<identifier in
    // hex>/<version>/<name>".
    static QString pathOf(const QString &identifier, const QString &version, const QString &name);

    // The index and every file below folder.
    void writeTo(const QString &folder) const;
    // The index and every file on server below "/<root>/".
    void serveOn(FeedHttpServer &server, const QString &root) const;

private:
    struct Entry
    {
        QJsonObject json;
        QList<std::pair<QString, QByteArray>> files; // path below root, content
    };
    QList<Entry> m_entries;
};
