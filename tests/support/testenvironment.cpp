#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

TestEnvironment::TestEnvironment()
    : m_dir(QDir::tempPath() + QStringLiteral("/tessaly-test-XXXXXX"))
{
    Q_ASSERT(m_dir.isValid());
    for (const QString &path : {machineRoot(), configHome(), dataHome(), runtimeDir(), homeDir()})
        QDir().mkpath(path);
    QFile::setPermissions(runtimeDir(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    set("TESSALY_MACHINE_ROOT", machineRoot());
    set("XDG_CONFIG_HOME", configHome());
    set("XDG_DATA_HOME", dataHome());
    set("XDG_CACHE_HOME", root() + QStringLiteral("/cache"));
    set("XDG_RUNTIME_DIR", runtimeDir());
    set("HOME", homeDir());
    // A launcher's first start enables the user's file-monitor service; in tests that must never
    // reach the real service manager. Tests that look at those requests set their own program.
    set("TESSALY_SERVICE_CONTROL", QStandardPaths::findExecutable(QStringLiteral("true")));
}

TestEnvironment::~TestEnvironment()
{
    for (const auto &[name, value] : m_saved) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

void TestEnvironment::remember(const char *name)
{
    const QByteArray key(name);
    if (m_saved.count(key))
        return;
    if (qEnvironmentVariableIsSet(name))
        m_saved[key] = qgetenv(name);
    else
        m_saved[key] = std::nullopt;
}

void TestEnvironment::set(const char *name, const QString &value)
{
    remember(name);
    qputenv(name, QFile::encodeName(value));
}

void TestEnvironment::unset(const char *name)
{
    remember(name);
    qunsetenv(name);
}
