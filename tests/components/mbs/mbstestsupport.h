#pragma once

#include "tests/support/testenvironment.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

// Shared by the library and download tests: a fresh environment with its own temporary
// folder (TMPDIR), the library's registry values, and file helpers.
class MbsTestFolder
{
public:
    MbsTestFolder();

    TestEnvironment &environment() { return m_environment; }
    QString root() const { return m_environment.root(); }
    QString path(const QString &relative) const { return root() + QLatin1Char('/') + relative; }

    // A value of "Software\Tessaly\MBS" in the user's or the machine's hive.
    static void setUserValue(const QString &name, const QVariant &value);
    static void setMachineValue(const QString &name, const QVariant &value);

    static QString libraryFile() { return QStringLiteral(TESSALY_MBS_LIBRARY); }

private:
    TestEnvironment m_environment;
};

void writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);
// Every file below folder (relative path → content); symbolic links as "-> target".
QMap<QString, QByteArray> snapshot(const QString &folder);
