#pragma once

#include "platform/registry/regtypes.h"
#include "platform/registry/regvalue.h"

#include <QString>
#include <QStringList>

// The owner of one open registry key, for the places that need raw value types. Operations
// return Win32 error codes (ERROR_SUCCESS 0, ERROR_FILE_NOT_FOUND 2, ERROR_ACCESS_DENIED 5 ...)
// or false, never throw. Each write reaches the hive file at once, under the hive's lock, so it
// is safe against other processes writing the same hive.
//
// open() opens the key at root\path with the access given; when the key is missing and the access
// includes KEY_SET_VALUE or KEY_CREATE_SUB_KEY it is created. A key opened for writing in a hive
// that cannot be written fails with ERROR_ACCESS_DENIED. Queries need KEY_QUERY_VALUE, value
// writes KEY_SET_VALUE.
class reg_key_t
{
public:
    reg_key_t(HKEY root, const QString &path, REGSAM access = KEY_READ, bool openNow = true);
    virtual ~reg_key_t();
    reg_key_t(const reg_key_t &) = delete;
    reg_key_t &operator=(const reg_key_t &) = delete;

    RegError open();
    void close();
    bool isOpen() const { return m_open; }

    HKEY root() const { return m_root; }
    const QString &path() const { return m_path; }
    REGSAM access() const { return m_access; }

    // The DWORD data of the value; 0 when it is missing or not a DWORD.
    quint32 queryDword(const QString &name) const;
    RegError queryDword(const QString &name, quint32 &data) const;
    // A REG_SZ or REG_EXPAND_SZ value; false (value untouched) when missing or of another type.
    bool queryString(const QString &name, QString &value) const;
    // Any value as stored. An empty name is the unnamed value.
    RegError queryValue(const QString &name, RegValue &value) const;

    bool deleteValue(const QString &name);
    // Deletes the sub-key and everything below it.
    bool deleteSubKey(const QString &subKey);

    RegError setDword(const QString &name, quint32 data);
    RegError setString(const QString &name, const QString &value);
    RegError setBinary(const QString &name, const QByteArray &data);
    RegError setValue(const QString &name, const RegValue &value);

    // Names in their stored case; the unnamed value is listed as "".
    QStringList valueNames() const;
    QStringList subKeyNames() const;

private:
    RegError checkOpen(REGSAM needed) const;

    HKEY m_root;
    QString m_path;
    REGSAM m_access;
    bool m_open = false;
};

// The shorthand constructors with the root fixed.
class reg_key_cr_t : public reg_key_t
{
public:
    explicit reg_key_cr_t(const QString &path, REGSAM access = KEY_READ, bool openNow = true)
        : reg_key_t(HKEY_CLASSES_ROOT, path, access, openNow)
    {
    }
};

class reg_key_cu_t : public reg_key_t
{
public:
    explicit reg_key_cu_t(const QString &path, REGSAM access = KEY_READ, bool openNow = true)
        : reg_key_t(HKEY_CURRENT_USER, path, access, openNow)
    {
    }
};

class reg_key_lm_t : public reg_key_t
{
public:
    explicit reg_key_lm_t(const QString &path, REGSAM access = KEY_READ, bool openNow = true)
        : reg_key_t(HKEY_LOCAL_MACHINE, path, access, openNow)
    {
    }
};
