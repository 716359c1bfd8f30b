#pragma once

#include <QSettings>
#include <QString>

// The QSettings format over hive files. Qt 6.4 on Linux ignores the case sensitivity given to
// registerFormat, so this layer folds case itself: the settings map holds key paths and value
// names in folded case ("software/tessaly/.../quicklaunchapp", the unnamed value as "default"),
// and the write function puts back the case each key and value already has in the file, or the
// case it was first written with in this process. Writes change only what the map changed, so
// value types, values QSettings cannot address and lines that could not be read all survive.
class RegistryFormat
{
public:
    static QSettings::Format format();

    // Case as written by the caller, for keys not yet in the file. The first spelling wins.
    static void rememberCase(const QString &fileName, const QString &foldedKey,
                             const QString &casedKey);
    // The stored or remembered spelling of a folded key (the key itself when none is known).
    static QString casedKey(const QString &fileName, const QString &foldedKey);

    static QString fold(QStringView key) { return key.toString().toCaseFolded(); }
};
