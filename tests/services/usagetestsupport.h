#pragma once

// Helpers shared by the usage-logging tests: a private copy of the usage-logging libraries per
// test (so "is it loaded" can be asked of exactly that file), the records read back, and
// registry values set up.

#include "platform/folders/folders.h"
#include "platform/registry/ptsettings.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

#include <dlfcn.h>

namespace UsageTest {

inline QString builtLibraryFolder()
{
    return QStringLiteral(TESSALY_BINARY_DIR "/source");
}

// Copies libTessalyPIP.so and libLogSession.so (and the dialog library when built) into folder.
inline bool copyLibraries(const QString &folder)
{
    QDir().mkpath(folder);
    bool all = true;
    for (const char *name : {"libTessalyPIP.so", "libLogSession.so", "libTessalyPIPDialog.so"}) {
        const QString from = builtLibraryFolder() + QLatin1Char('/') + QLatin1String(name);
        if (!QFile::exists(from)) {
            all = all && QLatin1String(name) == QLatin1String("libTessalyPIPDialog.so");
            continue;
        }
        all = QFile::copy(from, folder + QLatin1Char('/') + QLatin1String(name)) && all;
    }
    return all;
}

// Whether the process has that very file loaded (without loading it).
inline bool isLoaded(const QString &path)
{
    void *handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    ::dlclose(handle);
    return true;
}

inline QString recordFolder(const QString &productLine = QStringLiteral("Orvana11"))
{
    return Folders::userDataHome() + QStringLiteral("/tessaly/usage/") + productLine;
}

// Every record line of the folder's files, oldest file first; a line that is not a JSON object
// comes back as an empty object, so a torn line fails the test that reads it.
inline QList<QJsonObject> readRecords(const QString &folder = recordFolder())
{
    QList<QJsonObject> records;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("events-*.jsonl")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            records.append(QJsonDocument::fromJson(line).object());
        }
    }
    return records;
}

inline void setOptIn(const QVariant &value, const QString &productLine = QStringLiteral("Orvana11"))
{
    PtSettingsCU settings(QStringLiteral("Software\\Tessaly\\CommonFiles\\Usage\\") + productLine);
    if (value.isValid())
        settings.setValue(QStringLiteral("OptIn"), value);
    else
        settings.remove(QStringLiteral("OptIn"));
    settings.sync();
}

inline void setPolicy(const QVariant &value)
{
    PtSettingsLM settings(QStringLiteral("SOFTWARE\\Policies\\Tessaly\\TPIP"));
    if (value.isValid())
        settings.setValue(QStringLiteral("enabled"), value);
    else
        settings.remove(QStringLiteral("enabled"));
    settings.sync();
}

} // namespace UsageTest
