#include "tests/e2e/e2eprocess.h"

#include "tests/e2e/e2ewait.h"

#include <QFile>
#include <QJsonDocument>

#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds reapTimeout(5000);

} // namespace

E2eProcess::E2eProcess(QString label)
    : m_label(std::move(label))
{
}

E2eProcess::~E2eProcess()
{
    if (isRunning()) {
        ::kill(pid_t(m_pid), SIGKILL);
        m_process->waitForFinished(int(reapTimeout.count()));
    }
}

bool E2eProcess::start(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment)
{
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setProcessEnvironment(environment);
    // The program must not outlive a test process that crashes or is killed.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    QObject::connect(m_process.get(), &QProcess::readyReadStandardOutput, m_process.get(),
                     [this] { m_stdout += m_process->readAllStandardOutput(); });
    QObject::connect(m_process.get(), &QProcess::readyReadStandardError, m_process.get(),
                     [this] { m_stderr += m_process->readAllStandardError(); });
    m_process->start();
    if (!m_process->waitForStarted(int(reapTimeout.count())))
        return false;
    m_pid = m_process->processId();
    return true;
}

bool E2eProcess::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

QString E2eProcess::errorString() const
{
    return m_process ? m_process->errorString() : QStringLiteral("not started");
}

bool E2eProcess::waitUntil(const std::function<bool()> &condition,
                           std::chrono::milliseconds timeout)
{
    return E2eWait::until([&] { return condition() || !isRunning(); }, timeout) && condition();
}

bool E2eProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (!m_process)
        return true;
    E2eWait::until([this] { return !isRunning(); }, timeout);
    if (isRunning())
        return false;
    // Whatever is left in the pipes.
    m_stdout += m_process->readAllStandardOutput();
    m_stderr += m_process->readAllStandardError();
    return true;
}

int E2eProcess::exitCode() const
{
    if (!m_process || isRunning() || m_process->exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process->exitCode();
}

bool E2eProcess::crashed() const
{
    return m_process && !isRunning() && m_process->exitStatus() == QProcess::CrashExit;
}

QStringList E2eProcess::errorLines() const
{
    return QString::fromUtf8(m_stderr).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList E2eProcess::traces(const QString &category) const
{
    const QString prefix = category + QStringLiteral(": ");
    QStringList messages;
    const QStringList lines = errorLines();
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            messages.append(line.mid(prefix.size()));
    }
    return messages;
}

bool E2eProcess::waitForError(const QString &text, std::chrono::milliseconds timeout)
{
    const QByteArray needle = text.toUtf8();
    return waitUntil([&] { return m_stderr.contains(needle); }, timeout);
}

bool E2eProcess::waitForOutput(const QString &text, std::chrono::milliseconds timeout)
{
    const QByteArray needle = text.toUtf8();
    return waitUntil([&] { return m_stdout.contains(needle); }, timeout);
}

void E2eProcess::write(const QByteArray &data)
{
    if (isRunning()) {
        m_process->write(data);
        m_process->waitForBytesWritten(int(reapTimeout.count()));
    }
}

void E2eProcess::closeInput()
{
    if (m_process)
        m_process->closeWriteChannel();
}

void E2eProcess::kill(int signal)
{
    if (isRunning())
        ::kill(pid_t(m_pid), signal);
}

QList<QJsonObject> E2eProcess::messageBoxes() const
{
    QList<QJsonObject> boxes;
    QFile file(m_messageBoxLog);
    if (m_messageBoxLog.isEmpty() || !file.open(QIODevice::ReadOnly))
        return boxes;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty())
            boxes.append(QJsonDocument::fromJson(line).object());
    }
    return boxes;
}

QString E2eProcess::describe() const
{
    QString text =
        m_label + QStringLiteral(" (pid ") + QString::number(m_pid) + QStringLiteral(")");
    if (m_process && !isRunning())
        text += QStringLiteral(", exit code ") + QString::number(exitCode());
    if (!m_stdout.isEmpty())
        text += QStringLiteral("\n--- stdout\n") + QString::fromUtf8(m_stdout);
    if (!m_stderr.isEmpty())
        text += QStringLiteral("\n--- stderr\n") + QString::fromUtf8(m_stderr);
    return text;
}
