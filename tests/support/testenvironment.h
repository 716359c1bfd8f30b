#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <optional>

// Gives a test its own machine root, XDG folders and runtime folder in a fresh temporary folder,
// and restores the previous environment when it goes out of scope. Nothing a test does through
// the platform layer then reaches the real home folder, /etc or /var.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    QString root() const { return m_dir.path(); }
    QString machineRoot() const { return root() + QStringLiteral("/machine"); }
    QString configHome() const { return root() + QStringLiteral("/config"); }
    QString dataHome() const { return root() + QStringLiteral("/data"); }
    QString runtimeDir() const { return root() + QStringLiteral("/runtime"); }
    QString homeDir() const { return root() + QStringLiteral("/home"); }

    // Sets a variable for the lifetime of this object (restored afterwards).
    void set(const char *name, const QString &value);
    void unset(const char *name);

private:
    void remember(const char *name);

    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};
