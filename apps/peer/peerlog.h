#pragma once

#include <QByteArray>
#include <QString>

namespace TessalyApps {

// The record of received scripts that tests read: one line per script, appended to the file
// named by TESSALY_PEER_LOG. A script's own line breaks would split it over several lines, so
// "\" is written as "\\", a line feed as "\n" and a carriage return as "\r"; unescape() reverses
// that.
class PeerLog
{
public:
    // The file of TESSALY_PEER_LOG; empty (nothing recorded) when it is not set.
    static PeerLog fromEnvironment();
    explicit PeerLog(QString path);

    bool isEnabled() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    // Appends one line; false when the file could not be written.
    bool append(const QByteArray &script) const;

    static QByteArray escape(const QByteArray &script);
    static QByteArray unescape(const QByteArray &line);

private:
    QString m_path;
};

} // namespace TessalyApps
