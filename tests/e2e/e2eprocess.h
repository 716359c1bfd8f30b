#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

// One program started by an end-to-end test. It collects everything the program writes, ends
// with the test: a program still running when its E2eProcess goes away (also when a test fails
// half-way) is killed, and it is killed too when the test process itself dies.
class E2eProcess
{
public:
    explicit E2eProcess(QString label);
    ~E2eProcess();
    E2eProcess(const E2eProcess &) = delete;
    E2eProcess &operator=(const E2eProcess &) = delete;

    // Starts the program; false (with the reason in errorString()) when it could not start.
    bool start(const QString &program, const QStringList &arguments,
               const QProcessEnvironment &environment);

    const QString &label() const { return m_label; }
    qint64 pid() const { return m_pid; }
    bool isRunning() const;
    QString errorString() const;

    // Waits up to timeout for the program to end; true when it has ended.
    bool waitForExit(std::chrono::milliseconds timeout);
    // Valid once the program has ended: -1 when it crashed or was killed.
    int exitCode() const;
    bool crashed() const;

    QByteArray standardOutput() const { return m_stdout; }
    QByteArray standardError() const { return m_stderr; }
    // Standard error split into lines, without line ends and empty lines.
    QStringList errorLines() const;
    // The messages of one logging category ("tessaly.launcher.instance"), in order; needs the
    // message pattern "%{category}: %{message}" the session gives every process.
    QStringList traces(const QString &category) const;

    // Waits until the program wrote the text to standard error (or standard output).
    bool waitForError(const QString &text, std::chrono::milliseconds timeout);
    bool waitForOutput(const QString &text, std::chrono::milliseconds timeout);

    void write(const QByteArray &data);
    void closeInput();
    void kill(int signal);

    // The message boxes the program showed, when it was started with a TESSALY_MESSAGEBOX_LOG
    // file (the session gives every launcher one).
    void setMessageBoxLog(const QString &path) { m_messageBoxLog = path; }
    QList<QJsonObject> messageBoxes() const;

    // Runs the event loop until the condition holds, the program ends or the time is over;
    // returns the condition.
    bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);

    QString describe() const;

private:
    QString m_label;
    std::unique_ptr<QProcess> m_process;
    qint64 m_pid = 0;
    QByteArray m_stdout;
    QByteArray m_stderr;
    QString m_messageBoxLog;
};
