#pragma once

#include "components/pip/logsession.h"
#include "components/pip/usagelogfile.h"

#include <QJsonObject>
#include <QString>

#include <map>
#include <mutex>

// One product's recording session: the fields every record carries, the groups made so far and
// the record files. Records are written only while recording is on. Thread-safe.
class UsageSession
{
public:
    explicit UsageSession(const UTSessionInfo &info);

    void setRecording(bool recording);
    bool isRecording() const;
    void setLimits(qint64 maxFileBytes, int maxFiles);
    QString sessionId() const { return m_sessionId; }
    QString folder() const { return m_file.folder(); }

    int32_t newGroup(const char *action, const char *parentName, const char *groupName,
                     int32_t *groupId);
    int32_t addToGroup(int32_t groupId, const char *category, const char *name);
    int32_t logEvent(const char *detail, const char *name, const char *category, int32_t value1,
                     int32_t value2);

private:
    int32_t write(QJsonObject record, bool truncated);

    mutable std::mutex m_mutex;
    QJsonObject m_common;
    QString m_sessionId;
    UsageLogFile m_file;
    bool m_recording = false;
    std::map<int32_t, QString> m_groups;
    int32_t m_nextGroupId = 1;
};
