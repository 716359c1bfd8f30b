#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The record files of one folder: "events-<n>.jsonl", n counting up from 1. Lines are appended
// to the newest file; a line that would take it past the file limit starts the next one, and
// files older than the newest maxFiles are removed. Each append holds an exclusive lock on
// "<folder>/.lock", so several processes may append to one folder, and a line is either written
// whole or not at all.
class UsageLogFile
{
public:
    static constexpr qint64 defaultMaxFileBytes = 1024 * 1024;
    static constexpr int defaultMaxFiles = 16;

    explicit UsageLogFile(const QString &folder);
    ~UsageLogFile();
    UsageLogFile(const UsageLogFile &) = delete;
    UsageLogFile &operator=(const UsageLogFile &) = delete;

    QString folder() const { return m_folder; }
    void setLimits(qint64 maxFileBytes, int maxFiles);
    qint64 maxFileBytes() const { return m_maxFileBytes; }
    int maxFiles() const { return m_maxFiles; }

    // Appends one line (which should end in '\n'); false with errorString() when the folder or
    // file could not be written.
    bool append(const QByteArray &line);
    QString errorString() const { return m_error; }

    // The record files present, oldest first, as absolute paths.
    QStringList files() const;

    static QString fileName(qint64 sequence);
    // The sequence number of a record file's name, or -1 for any other name.
    static qint64 sequenceOf(const QString &fileName);

private:
    QList<qint64> sequences() const;
    bool ensureFolder();
    bool lock();
    bool appendLocked(const QByteArray &line);
    void unlock();
    qint64 currentSequence();

    QString m_folder;
    bool m_folderReady = false;
    bool m_folderGone = false;
    int m_lockFd = -1;
    // The newest file as of the last append (0: not known). Another writer may have started a
    // newer one since, which the next append notices.
    qint64 m_sequence = 0;
    qint64 m_maxFileBytes = defaultMaxFileBytes;
    int m_maxFiles = defaultMaxFiles;
    QString m_error;
};
