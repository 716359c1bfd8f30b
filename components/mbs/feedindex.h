#pragma once

#include "components/mbs/feeditem.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

// The index of a content feed: "index.json" at the feed's root (format in README.md). Parsing
// is strict about what the download relies on (file names, paths, sizes, sums) and lenient about
// the rest: an item that breaks a rule is left out with a message in warnings, the others stay.
class FeedIndex
{
public:
    static constexpr qsizetype maximumIndexSize = 4 * 1024 * 1024;
    static constexpr int maximumItems = 1000;
    static constexpr int maximumFilesPerItem = 64;
    static constexpr int maximumTextLength = 200;
    // Sizes beyond this cannot be exact in the index's JSON numbers.
    static constexpr qint64 maximumFileSize = qint64(1) << 40;

    struct Result
    {
        bool ok = false;
        QString error;               // why the whole index was refused
        std::vector<FeedItem> items; // in the order of the index
        QStringList warnings;        // items left out, and why
    };

    static Result parse(QByteArrayView text);

    // A relative path below the feed's root: segments joined by '/', each a safe file name.
    static bool isSafeRelativePath(const QString &path);
};
