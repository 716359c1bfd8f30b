#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// The two lines of a language pack's "pack.inf" that the launcher reads: the first line starting
// with "prefstring=" and the first starting with "localeid=" (later ones are ignored). A file
// without both does not describe a pack.
struct PackInfo
{
    QString preferenceString;
    QString localeIdString;

    // Files larger than this are not pack descriptions; only their start is read.
    static constexpr qsizetype maxFileSize = 64 * 1024;

    // Text in UTF-8, or UTF-16 with a byte-order mark.
    static std::optional<PackInfo> parse(QByteArrayView data);
    static std::optional<PackInfo> read(const QString &path);
};
