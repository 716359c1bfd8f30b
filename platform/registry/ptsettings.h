#pragma once

#include <QSettings>
#include <QStringList>

// Registry-backed settings: a QSettings over one key of a hive file, opened with the key's full
// path ("HKEY_CURRENT_USER\\Software\\Tessaly\\..."; HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT
// likewise, a path without a root means HKEY_CURRENT_USER\\Software\\...). Meant to be used as a
// local for one operation:
//
//     PtSettingsCU s(QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen"));
//     const int app = s.value(QStringLiteral("QuickLaunchApp"), 0).toInt();
//
// Key paths and value names are case-insensitive, the case a key or value was first written with
// stays in the file. "Default" addresses the key's unnamed value. Strings are stored as REG_SZ,
// integers as REG_DWORD (REG_QWORD beyond 32 bits), QByteArray as REG_BINARY, QStringList as
// REG_MULTI_SZ. Writes reach the file at sync() or destruction, merged with whatever other
// processes wrote meanwhile; a write the hive refuses is lost silently, as a refused registry
// write is.
//
// The case-folding members hide QSettings' own: call them through a PtSettings, not through a
// QSettings reference.
class PtSettings : public QSettings
{
    Q_OBJECT
public:
    explicit PtSettings(const QString &keyPath);
    ~PtSettings() override;

    QVariant value(QAnyStringView key, const QVariant &defaultValue) const;
    QVariant value(QAnyStringView key) const;
    void setValue(QAnyStringView key, const QVariant &value);
    bool contains(QAnyStringView key) const;
    void remove(QAnyStringView key);

    void beginGroup(QAnyStringView prefix);
    void endGroup();
    QString group() const;

    // Names in their stored case.
    QStringList childKeys() const;
    QStringList childGroups() const;
    QStringList allKeys() const;

    // The full path of the key this object was opened on, as given.
    QString keyPath() const { return m_keyPath; }

private:
    QString folded(QAnyStringView key) const;
    QString cased(const QString &foldedKey) const;

    QString m_keyPath;
    QStringList m_casedGroups; // the opened key's path, then each beginGroup
};

// Settings below HKEY_CURRENT_USER.
class PtSettingsCU : public PtSettings
{
    Q_OBJECT
public:
    explicit PtSettingsCU(const QString &path);
    ~PtSettingsCU() override;
};

// Settings below HKEY_LOCAL_MACHINE.
class PtSettingsLM : public PtSettings
{
    Q_OBJECT
public:
    explicit PtSettingsLM(const QString &path);
    ~PtSettingsLM() override;
};
