#include "tests/components/mbs/mbstestsupport.h"

#include "platform/registry/ptsettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

MbsTestFolder::MbsTestFolder()
{
    QDir().mkpath(path(QStringLiteral("tmp")));
    m_environment.set("TMPDIR", path(QStringLiteral("tmp")));
}

void MbsTestFolder::setUserValue(const QString &name, const QVariant &value)
{
    PtSettingsCU settings(QStringLiteral("Software\\Tessaly\\MBS"));
    settings.setValue(name, value);
    settings.sync();
}

void MbsTestFolder::setMachineValue(const QString &name, const QVariant &value)
{
    PtSettingsLM settings(QStringLiteral("Software\\Tessaly\\MBS"));
    settings.setValue(name, value);
    settings.sync();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = base.relativeFilePath(info.filePath());
        if (info.isSymLink())
            files.insert(name, "-> " + QFile::encodeName(info.symLinkTarget()));
        else if (info.isFile())
            files.insert(name, readFile(info.filePath()));
        else if (info.isDir())
            files.insert(name + QLatin1Char('/'), QByteArray());
    }
    return files;
}
