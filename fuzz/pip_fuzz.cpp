// The usage-logging libraries' readers of outside input: the crash mark a previous session left
// in the user's folder, and the texts a host hands over for a record. A mark must parse without
// harm and name a usable process id or nothing; a text must come back as a record line that
// reads back to the same text.

#include "components/pip/crashmarker.h"
#include "components/pip/usagerecord.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const auto owner = CrashMarker::parse(input)) {
        if (owner->pid <= 0 || owner->pid > 0x7fffffff)
            std::abort();
        const auto again = CrashMarker::parse(CrashMarker::format(*owner));
        if (!again || again->pid != owner->pid)
            std::abort();
    }

    // The first byte picks the limit, the rest is the text (cut at its first NUL, as C does).
    const qsizetype maxBytes = size > 0 ? qsizetype(data[0]) + 1 : 1;
    const QByteArray text = input.mid(1);
    bool truncated = false;
    const QString value = UsageRecord::text(text.constData(), maxBytes, &truncated);
    if (truncated != (qstrlen(text.constData()) > size_t(maxBytes)))
        std::abort();
    if (value.size() > maxBytes)
        std::abort();
    QJsonObject record;
    record.insert(QStringLiteral("text"), value);
    const QByteArray line = UsageRecord::line(record);
    if (line.count('\n') != 1 || !line.endsWith('\n'))
        std::abort();
    if (QJsonDocument::fromJson(line).object().value(u"text").toString() != value)
        std::abort();
    return 0;
}
