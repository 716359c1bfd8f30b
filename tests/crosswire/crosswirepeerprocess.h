#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <csignal>

namespace CrosswireTest {

// The crosswire_peer helper (or another program) as a second process, ended when it goes.
class Peer
{
public:
    explicit Peer(const QStringList &arguments,
                  const QString &program = QStringLiteral(CROSSWIRE_PEER_PATH))
    {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        m_process.waitForStarted(5000);
    }
    ~Peer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    // The first line starting with `prefix`; empty when none came in `milliseconds`.
    QByteArray waitForLine(const QByteArray &prefix, int milliseconds = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                m_lines.append(line);
                if (line.startsWith(prefix))
                    return line;
            }
            if (timer.elapsed() > milliseconds || m_process.state() == QProcess::NotRunning) {
                m_process.waitForReadyRead(0);
                if (!m_process.canReadLine())
                    return {};
                continue;
            }
            m_process.waitForReadyRead(50);
        }
    }
    // Reads the lines that arrived so far.
    QByteArrayList lines()
    {
        m_process.waitForReadyRead(0);
        while (m_process.canReadLine())
            m_lines.append(m_process.readLine().trimmed());
        return m_lines;
    }
    void waitForExit() { m_process.waitForFinished(10000); }
    qint64 processId() const { return m_process.processId(); }
    int exitCode() const { return m_process.exitCode(); }
    void crash()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QByteArrayList m_lines;
};

} // namespace CrosswireTest
