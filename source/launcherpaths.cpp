#include "source/launcherpaths.h"

#include <QFile>

namespace {

struct Paths
{
    QString application;
    QString assets;
    QString bitmaps;
    QString locale;
};

Paths &paths()
{
    static Paths instance;
    return instance;
}

QString withSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace

void LauncherPaths::setApplicationDirectory(const QString &path)
{
    paths().application = path;
}

QString LauncherPaths::applicationDirectory()
{
    return paths().application;
}

void LauncherPaths::setAssetsDirectory(const QString &path)
{
    paths().assets = withSlash(path);
    paths().bitmaps = paths().assets + QStringLiteral("bitmaps/");
}

QString LauncherPaths::assetsDirectory()
{
    return paths().assets;
}

QString LauncherPaths::bitmapsDirectory()
{
    return paths().bitmaps;
}

void LauncherPaths::setLocaleDirectory(const QString &path)
{
    paths().locale = withSlash(path);
}

QString LauncherPaths::localeDirectory()
{
    return paths().locale;
}

void LauncherPaths::configureFrom(const QString &applicationDirectory)
{
    setApplicationDirectory(applicationDirectory);
    const QString installed =
        applicationDirectory + QLatin1Char('/') + QStringLiteral("Assets") + QLatin1Char('/');
    if (QFile::exists(installed)) {
        setAssetsDirectory(installed);
        setLocaleDirectory(installed + QStringLiteral("locale/"));
    } else {
        const QString tree = applicationDirectory + QStringLiteral("/../../assets/");
        setAssetsDirectory(tree + QStringLiteral("common/"));
        setLocaleDirectory(tree + QStringLiteral("locale/"));
    }
}
