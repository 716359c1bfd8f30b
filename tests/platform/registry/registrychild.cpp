#include "tests/platform/registry/registrychild.h"

#include "platform/registry/hivefile.h"
#include "platform/registry/ptsettings.h"
#include "platform/registry/regkey.h"

#include "tests/support/testenvironment.h"

#include <QCoreApplication>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace RegistryChild {

std::unique_ptr<QProcess> start(const QStringList &command, bool asNobody)
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TESSALY_REGISTRY_CHILD"), command.join(QLatin1Char('\x1f')));
    env.insert(QStringLiteral("TESSALY_REGISTRY_CHILD_MACHINE"),
               qEnvironmentVariable("TESSALY_MACHINE_ROOT"));
    env.insert(QStringLiteral("TESSALY_REGISTRY_CHILD_CONFIG"),
               qEnvironmentVariable("XDG_CONFIG_HOME"));
    child->setProcessEnvironment(env);
    if (asNobody) {
        child->setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(97);
        });
    }
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=RegistryChild.DISABLED_Run"),
                  QStringLiteral("--gtest_also_run_disabled_tests")});
    child->waitForStarted(10000);
    return child;
}

void go(QProcess &child)
{
    child.write("go\n");
    child.waitForBytesWritten(10000);
}

int result(QProcess &child)
{
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished(5000);
        return -1;
    }
    const QByteArray out = child.readAllStandardOutput();
    const qsizetype at = out.lastIndexOf("result=");
    if (at < 0)
        return -1;
    const qsizetype end = out.indexOf('\n', at);
    bool ok = false;
    const int value = out.mid(at + 7, end < 0 ? -1 : end - at - 7).toInt(&ok);
    return ok ? value : -1;
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace RegistryChild

namespace {

// The child side. Commands:
//   settings-writer COUNT PREFIX   COUNT values PREFIX<i> = i through PtSettingsCU, synced each
//   regkey-writer COUNT PREFIX     the same through reg_key_t
//   settings-set ROOTPATH NAME DATA  one PtSettings write; prints the QSettings status
//   regkey-open ROOT PATH          reg_key_t open with KEY_WRITE; prints the error code
int runChild(const QStringList &command)
{
    const QString kind = command.value(0);
    if (kind == QLatin1String("settings-writer") || kind == QLatin1String("regkey-writer")) {
        const int count = command.value(1).toInt();
        const QString prefix = command.value(2);
        const QString key = QStringLiteral("Software\\Tessaly\\Race");
        int failures = 0;
        for (int i = 0; i < count; ++i) {
            const QString name = prefix + QString::number(i);
            if (kind == QLatin1String("settings-writer")) {
                PtSettingsCU settings(key);
                settings.setValue(name, i);
                settings.sync();
                failures += settings.status() != QSettings::NoError;
            } else {
                reg_key_cu_t regKey(key, KEY_WRITE | KEY_READ);
                failures += regKey.setDword(name, quint32(i)) != ERROR_SUCCESS;
            }
        }
        return failures;
    }
    if (kind == QLatin1String("settings-set")) {
        PtSettings settings(command.value(1));
        settings.setValue(command.value(2), command.value(3));
        settings.sync();
        return int(settings.status());
    }
    if (kind == QLatin1String("regkey-open")) {
        reg_key_t key(command.value(1) == QLatin1String("HKLM") ? HKEY_LOCAL_MACHINE
                                                                : HKEY_CURRENT_USER,
                      command.value(2), KEY_WRITE, false);
        return key.open();
    }
    return -2;
}

} // namespace

TEST(RegistryChild, DISABLED_Run)
{
    const QString command = qEnvironmentVariable("TESSALY_REGISTRY_CHILD");
    if (command.isEmpty())
        GTEST_SKIP() << "only run as a child of another registry test";
    TestEnvironment env;
    env.set("TESSALY_MACHINE_ROOT", qEnvironmentVariable("TESSALY_REGISTRY_CHILD_MACHINE"));
    env.set("XDG_CONFIG_HOME", qEnvironmentVariable("TESSALY_REGISTRY_CHILD_CONFIG"));
    std::string line;
    std::getline(std::cin, line);
    const int result = runChild(command.split(QLatin1Char('\x1f')));
    std::printf("result=%d\n", result);
    std::fflush(stdout);
}
