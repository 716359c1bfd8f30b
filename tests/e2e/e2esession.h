#pragma once

#include "tests/e2e/e2edisplay.h"
#include "tests/e2e/e2eprocess.h"
#include "tests/support/testenvironment.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

// Base fixture of the end-to-end tests. Each test gets a fresh TestEnvironment (machine root,
// XDG folders, runtime folder), its own X server with a window manager, and starts real
// programs on them. Programs still running at the end of a test are killed; a failing test
// prints what each of them wrote.
class E2eSession : public ::testing::Test
{
public:
    struct Options
    {
        QStringList arguments;
        // Set for this process only (on top of the session's environment) ...
        QMap<QString, QString> environment;
        // ... and removed for it.
        QStringList unset;
        // Trace rules (QT_LOGGING_RULES), e.g. instanceTraces().
        QString loggingRules;
        // Where the message-box seam records boxes; empty: a file of its own in the session.
        QString messageBoxLog;
    };

    // The launcher's main window title, which the window search looks for.
    static QString launcherWindowTitle();
    // The instance name and caption the launcher's single-instance guard uses.
    static QString launcherInstanceName();
    static QString launcherCaption();
    // QT_LOGGING_RULES that switch on the single-instance traces.
    static QString instanceTraces();

    static QString launcherPath();
    static QString helperPath(const QString &name);

protected:
    // Without a window manager for tests that need a bare X server.
    explicit E2eSession(bool withWindowManager = true);
    ~E2eSession() override;

    void SetUp() override;
    void TearDown() override;

    // The environment every program of the session starts with.
    QProcessEnvironment environment() const;

    // Starts the launcher; the process stays owned by the session.
    E2eProcess &startLauncher(const QString &label, const Options &options = {});
    // Starts any program with the session's environment.
    E2eProcess &startProgram(const QString &label, const QString &program,
                             const Options &options = {});
    // Starts e2e_mutex_holder on the names and waits until it holds them; nullptr on failure.
    E2eProcess *holdMutexes(const QStringList &names);

    // The launcher's main window of that process, waiting for it to appear.
    std::optional<DesktopWindow> waitForLauncherWindow(const E2eProcess &launcher,
                                                       std::chrono::milliseconds timeout);

    TestEnvironment &testEnvironment() { return *m_environment; }
    E2eDisplay &display() { return *m_display; }

private:
    bool m_withWindowManager;
    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<E2eDisplay> m_display;
    std::vector<std::unique_ptr<E2eProcess>> m_processes;
};
