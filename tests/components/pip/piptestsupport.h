#pragma once

// Helpers shared by the tests of the usage-logging libraries.

#include "platform/folders/folders.h"
#include "platform/registry/ptsettings.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QVariant>

namespace PipTest {

inline QString recordFolder(const QString &productLine = QStringLiteral("Orvana11"))
{
    return Folders::userDataHome() + QStringLiteral("/tessaly/usage/") + productLine;
}

// The lines of every record file of the folder, oldest file first.
inline QList<QByteArray> readLines(const QString &folder)
{
    QList<QByteArray> lines;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("events-*.jsonl")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile file(folder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray all = file.readAll();
        for (const QByteArray &line : all.split('\n')) {
            if (!line.isEmpty())
                lines.append(line);
        }
    }
    return lines;
}

// Every record; a line that is not a JSON object comes back empty.
inline QList<QJsonObject> readRecords(const QString &folder = recordFolder())
{
    QList<QJsonObject> records;
    for (const QByteArray &line : readLines(folder))
        records.append(QJsonDocument::fromJson(line).object());
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

inline int optIn(const QString &productLine = QStringLiteral("Orvana11"))
{
    PtSettingsCU settings(QStringLiteral("Software\\Tessaly\\CommonFiles\\Usage\\") + productLine);
    return settings.value(QStringLiteral("OptIn"), -1).toInt();
}

} // namespace PipTest
