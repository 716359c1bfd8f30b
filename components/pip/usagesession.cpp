#include "components/pip/usagesession.h"

#include "components/pip/usagerecord.h"

#include <QDateTime>
#include <QUuid>

#include <cstring>

namespace {

QString field(const char *utf8)
{
    bool truncated = false;
    return UsageRecord::text(utf8, UT_MAX_TEXT_BYTES, &truncated);
}

} // namespace

UsageSession::UsageSession(const UTSessionInfo &info)
    : m_sessionId(QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_file(field(info.folder))
{
    m_common.insert(QStringLiteral("session"), m_sessionId);
    m_common.insert(QStringLiteral("product"), field(info.product));
    m_common.insert(QStringLiteral("productCode"), field(info.productCode));
    m_common.insert(QStringLiteral("productLine"), field(info.productLine));
    m_common.insert(QStringLiteral("version"), field(info.version));
    m_common.insert(QStringLiteral("locale"), field(info.locale));
}

void UsageSession::setRecording(bool recording)
{
    std::lock_guard lock(m_mutex);
    m_recording = recording;
}

bool UsageSession::isRecording() const
{
    std::lock_guard lock(m_mutex);
    return m_recording;
}

void UsageSession::setLimits(qint64 maxFileBytes, int maxFiles)
{
    std::lock_guard lock(m_mutex);
    m_file.setLimits(maxFileBytes, maxFiles);
}

int32_t UsageSession::newGroup(const char *action, const char *parentName, const char *groupName,
                               int32_t *groupId)
{
    if (!groupId || !action || std::strcmp(action, "Create") != 0)
        return UT_E_INVALID_ARGUMENT;
    const QString name = field(groupName);
    const QString parent = field(parentName);
    std::lock_guard lock(m_mutex);
    if (!parent.isEmpty()) {
        bool found = false;
        for (const auto &[id, existing] : m_groups)
            found = found || existing == parent;
        if (!found)
            return UT_E_NO_SUCH_GROUP;
    }
    if (m_groups.size() >= size_t(UT_MAX_GROUPS))
        return UT_E_LIMIT;
    const int32_t id = m_nextGroupId++;
    m_groups.emplace(id, name);
    *groupId = id;
    return UT_OK;
}

int32_t UsageSession::addToGroup(int32_t groupId, const char *category, const char *name)
{
    bool truncated = false;
    QJsonObject record;
    record.insert(QStringLiteral("type"), QStringLiteral("group"));
    record.insert(QStringLiteral("groupId"), groupId);
    record.insert(QStringLiteral("category"),
                  UsageRecord::text(category, UT_MAX_TEXT_BYTES, &truncated));
    record.insert(QStringLiteral("name"), UsageRecord::text(name, UT_MAX_TEXT_BYTES, &truncated));
    {
        std::lock_guard lock(m_mutex);
        const auto group = m_groups.find(groupId);
        if (group == m_groups.end())
            return UT_E_NO_SUCH_GROUP;
        record.insert(QStringLiteral("group"), group->second);
    }
    return write(record, truncated);
}

int32_t UsageSession::logEvent(const char *detail, const char *name, const char *category,
                               int32_t value1, int32_t value2)
{
    bool truncated = false;
    QJsonObject record;
    record.insert(QStringLiteral("type"), QStringLiteral("event"));
    record.insert(QStringLiteral("category"),
                  UsageRecord::text(category, UT_MAX_TEXT_BYTES, &truncated));
    record.insert(QStringLiteral("name"), UsageRecord::text(name, UT_MAX_TEXT_BYTES, &truncated));
    record.insert(QStringLiteral("detail"),
                  UsageRecord::text(detail, UT_MAX_TEXT_BYTES, &truncated));
    record.insert(QStringLiteral("value1"), value1);
    record.insert(QStringLiteral("value2"), value2);
    return write(record, truncated);
}

int32_t UsageSession::write(QJsonObject record, bool truncated)
{
    std::lock_guard lock(m_mutex);
    if (!m_recording)
        return UT_E_NOT_RECORDING;
    for (auto it = m_common.constBegin(); it != m_common.constEnd(); ++it)
        record.insert(it.key(), it.value());
    record.insert(QStringLiteral("time"),
                  QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    if (truncated)
        record.insert(QStringLiteral("truncated"), true);
    return m_file.append(UsageRecord::line(record)) ? UT_OK : UT_E_STORAGE;
}
