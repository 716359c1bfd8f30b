#include "tests/e2e/e2esession.h"

#include <QDir>

#include <iostream>

using namespace std::chrono_literals;

E2eSession::E2eSession(bool withWindowManager)
    : m_withWindowManager(withWindowManager)
{
}

E2eSession::~E2eSession() = default;

QString E2eSession::launcherWindowTitle()
{
    return QStringLiteral("Welcome - Tessaly Pixtrel Orvana 11");
}

QString E2eSession::launcherInstanceName()
{
    return QStringLiteral("pxolauncher11.0");
}

QString E2eSession::launcherCaption()
{
    return QStringLiteral("Welcome - Pixtrel Orvana 11.0");
}

QString E2eSession::instanceTraces()
{
    return QStringLiteral("tessaly.launcher.instance.debug=true");
}

QString E2eSession::launcherPath()
{
    return QStringLiteral(TESSALY_LAUNCHER_PATH);
}

QString E2eSession::helperPath(const QString &name)
{
    return QStringLiteral(TESSALY_E2E_HELPER_DIR) + QLatin1Char('/') + name;
}

void E2eSession::SetUp()
{
    m_environment = std::make_unique<TestEnvironment>();
    m_display = std::make_unique<E2eDisplay>();
    QString error;
    ASSERT_TRUE(m_display->start(m_withWindowManager, environment(), &error))
        << error.toStdString();
}

void E2eSession::TearDown()
{
    if (HasFailure()) {
        for (const auto &process : m_processes)
            std::cerr << process->describe().toStdString() << "\n";
        const QString shot =
            QDir::tempPath() + QStringLiteral("/e2e-") +
            QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name())
                .replace(QLatin1Char('/'), QLatin1Char('_')) +
            QStringLiteral(".png");
        if (m_display && m_display->screenshot(shot))
            std::cerr << "screenshot: " << shot.toStdString() << "\n";
    }
    // Programs first, then their X server, then the folders they used.
    m_processes.clear();
    m_display.reset();
    m_environment.reset();
}

QProcessEnvironment E2eSession::environment() const
{
    // The TestEnvironment has put its folders into this process's environment.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (m_display)
        env.insert(QStringLiteral("DISPLAY"), m_display->name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XAUTHORITY"));
    // Traces on standard error, in a form E2eProcess::traces() reads.
    env.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{category}: %{message}"));
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    env.remove(QStringLiteral("TESSALY_MESSAGEBOX_ANSWER"));
    return env;
}

E2eProcess &E2eSession::startProgram(const QString &label, const QString &program,
                                     const Options &options)
{
    QProcessEnvironment env = environment();
    if (!options.loggingRules.isEmpty())
        env.insert(QStringLiteral("QT_LOGGING_RULES"), options.loggingRules);
    for (auto it = options.environment.cbegin(); it != options.environment.cend(); ++it)
        env.insert(it.key(), it.value());
    for (const QString &name : options.unset)
        env.remove(name);
    auto process = std::make_unique<E2eProcess>(label);
    if (env.contains(QStringLiteral("TESSALY_MESSAGEBOX_LOG")))
        process->setMessageBoxLog(env.value(QStringLiteral("TESSALY_MESSAGEBOX_LOG")));
    const bool started = process->start(program, options.arguments, env);
    EXPECT_TRUE(started) << label.toStdString() << ": " << process->errorString().toStdString();
    m_processes.push_back(std::move(process));
    return *m_processes.back();
}

E2eProcess &E2eSession::startLauncher(const QString &label, const Options &options)
{
    Options launcherOptions = options;
    if (!launcherOptions.environment.contains(QStringLiteral("TESSALY_MESSAGEBOX_LOG"))) {
        const QString log = launcherOptions.messageBoxLog.isEmpty()
                                ? m_environment->root() + QStringLiteral("/messageboxes-") + label +
                                      QStringLiteral(".jsonl")
                                : launcherOptions.messageBoxLog;
        launcherOptions.environment.insert(QStringLiteral("TESSALY_MESSAGEBOX_LOG"), log);
    }
    return startProgram(label, launcherPath(), launcherOptions);
}

E2eProcess *E2eSession::holdMutexes(const QStringList &names)
{
    Options options;
    options.arguments = names;
    E2eProcess &holder = startProgram(QStringLiteral("mutex holder"),
                                      helperPath(QStringLiteral("e2e_mutex_holder")), options);
    if (!holder.waitForOutput(QStringLiteral("held\n"), 10s))
        return nullptr;
    return &holder;
}

std::optional<DesktopWindow> E2eSession::waitForLauncherWindow(const E2eProcess &launcher,
                                                               std::chrono::milliseconds timeout)
{
    return m_display->waitForWindow(launcherWindowTitle(), launcher.pid(), timeout);
}
