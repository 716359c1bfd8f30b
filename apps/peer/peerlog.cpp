#include "apps/peer/peerlog.h"

#include <QFile>

namespace TessalyApps {

PeerLog PeerLog::fromEnvironment()
{
    return PeerLog(qEnvironmentVariable("TESSALY_PEER_LOG"));
}

PeerLog::PeerLog(QString path)
    : m_path(std::move(path))
{
}

bool PeerLog::append(const QByteArray &script) const
{
    if (m_path.isEmpty())
        return false;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // One write per line, so a reader never sees half a line from this process.
    const QByteArray line = escape(script) + '\n';
    return file.write(line) == line.size() && file.flush();
}

QByteArray PeerLog::escape(const QByteArray &script)
{
    QByteArray out;
    out.reserve(script.size());
    for (const char c : script) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

QByteArray PeerLog::unescape(const QByteArray &line)
{
    QByteArray out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c != '\\' || i + 1 == line.size()) {
            out += c;
            continue;
        }
        const char next = line[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

} // namespace TessalyApps
