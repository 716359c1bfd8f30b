#pragma once

#include "platform/registry/hive.h"

#include <QByteArray>

// Writes .reg text in the layout the registry editor exports: the header line, one section per
// key with its full path, one line per value, long hex lists wrapped with a backslash. Strings
// that a quoted .reg string cannot carry (line breaks, zero characters, missing terminator) are
// written as hex(1) so they come back byte for byte. Output is UTF-8 with LF line ends.
class RegWriter
{
public:
    static constexpr const char *Header = "Windows Registry Editor Version 5.00";

    // The whole hive, with the lines kept from the file it was read from.
    static QByteArray hiveFile(const Hive &hive);
    // The key at path and everything below it, ready for an import; empty when it is missing.
    static QByteArray exportKey(const Hive &hive, QStringView path);
    // One value as a .reg line (without the line end), for example "\"Name\"=dword:00000001".
    static QByteArray valueLine(const HiveKey::Value &value);
};
