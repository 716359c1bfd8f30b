#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// One item of a content feed's index, as read and checked by FeedIndex.
struct FeedItem
{
    struct File
    {
        QString name;      // bare file name the item's file gets in the download folder
        QString path;      // relative to the feed's root, '/' between safe segments
        qint64 size = 0;   // exact size in bytes
        QByteArray sha256; // 32 raw bytes
    };

    uint32_t kind = 0;  // four-character code
    QString name;       // as the feed says; the launcher judges it before using it
    QString identifier; // as the feed says
    QString version;
    bool offered = true;
    QStringList locales;         // empty: every locale
    QStringList products;        // empty: every product
    QStringList productVersions; // empty: every version
    std::vector<File> files;

    qint64 totalSize() const
    {
        qint64 total = 0;
        for (const File &file : files)
            total += file.size;
        return total;
    }
};
