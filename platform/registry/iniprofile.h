#pragma once

#include <QString>

// One INI file read and written with the semantics of the Win32 profile functions: sections and
// keys are found without regard to letter case, a missing key reads as an empty string, a read
// returns at most ReadBufferSize - 1 characters, and a write creates the file (and its folder)
// when needed. Writes take the file's lock, re-read it and replace it atomically, so processes
// sharing the file do not lose each other's keys.
class IniProfile
{
public:
    static constexpr int ReadBufferSize = 1024;

    explicit IniProfile(const QString &path);

    const QString &path() const { return m_path; }
    // Whether the file existed when this object was made.
    bool exists() const { return m_exists; }

    // False, value untouched, when the file did not exist at construction; otherwise true with
    // the key's value, or an empty string when the file, section or key is missing now.
    bool read(const QString &section, const QString &key, QString &value) const;
    // True when the value is in the file afterwards.
    bool write(const QString &section, const QString &key, const QString &value) const;

private:
    QString m_path;
    bool m_exists;
};
