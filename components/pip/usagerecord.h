#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// Turning the texts a host hands over into the fields of one record line.
class UsageRecord
{
public:
    // The UTF-8 text (NULL is empty) as a QString of at most maxBytes UTF-8 bytes, cut at a
    // character boundary; *truncated is set when it was cut. Invalid sequences become U+FFFD.
    static QString text(const char *utf8, qsizetype maxBytes, bool *truncated);
    // The record as one compact JSON line ending in '\n'.
    static QByteArray line(const QJsonObject &record);
};
