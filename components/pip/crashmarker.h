#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The file that says a session of a product line is running ("session.running" in its record
// folder): placed at initialisation, removed at termination. Found at the next initialisation
// while the process that placed it is gone, it tells of a session that ended without
// terminating.
class CrashMarker
{
public:
    struct Owner
    {
        qint64 pid = 0;
        QString started; // ISO 8601, UTC
    };

    explicit CrashMarker(const QString &folder);

    QString path() const { return m_path; }
    // The owner of a marker left behind by a process that no longer runs; nullopt when there is
    // no marker or its process still runs. An unreadable marker counts as left behind.
    std::optional<Owner> abandoned() const;
    bool place();
    void remove();

    static QByteArray format(const Owner &owner);
    // "pid=<n>\nstarted=<time>\n"; nullopt unless a positive pid is named.
    static std::optional<Owner> parse(const QByteArray &text);

private:
    QString m_path;
};
