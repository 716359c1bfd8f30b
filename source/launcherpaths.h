#pragma once

#include <QString>

// The launcher's folders, fixed once at start-up and read everywhere. Every folder ends with "/".
class LauncherPaths
{
public:
    static void setApplicationDirectory(const QString &path);
    static QString applicationDirectory();

    // Also sets the bitmaps folder to the assets folder + "bitmaps/".
    static void setAssetsDirectory(const QString &path);
    static QString assetsDirectory();
    static QString bitmapsDirectory();

    static void setLocaleDirectory(const QString &path);
    static QString localeDirectory();

    // Chooses the folders from the application folder: "Assets" beside the executable when it
    // exists (an installed launcher), else "../../assets/" of the build tree.
    static void configureFrom(const QString &applicationDirectory);
};
