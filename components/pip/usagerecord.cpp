#include "components/pip/usagerecord.h"

#include <QJsonDocument>

#include <cstring>

QString UsageRecord::text(const char *utf8, qsizetype maxBytes, bool *truncated)
{
    if (!utf8)
        return QString();
    // strnlen: a text far beyond the limit is not walked to its end.
    const qsizetype length = qsizetype(::strnlen(utf8, size_t(maxBytes) + 1));
    qsizetype cut = length;
    if (length > maxBytes) {
        *truncated = true;
        cut = maxBytes;
        // Step back over continuation bytes so no character is split.
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
            --cut;
    }
    return QString::fromUtf8(utf8, cut);
}

QByteArray UsageRecord::line(const QJsonObject &record)
{
    QByteArray out = QJsonDocument(record).toJson(QJsonDocument::Compact);
    out.append('\n');
    return out;
}
