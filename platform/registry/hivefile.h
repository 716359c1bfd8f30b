#pragma once

#include "platform/registry/hive.h"
#include "platform/registry/regtypes.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QFileDevice;
class RegDocument;

// The hive files on disk and the rules every writer follows, so that several processes can
// write one hive without losing each other's values: a writer takes the hive's lock file (the
// one QSettings takes at sync(), so settings objects and raw registry writers exclude each
// other), reads the file as it is now, changes it and replaces it atomically. Readers need no
// lock: they always see a whole file, the old one or the new one.
//
// HKEY_CURRENT_USER: <user config home>/tessaly/registry/user.reg; HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT: <machine root>/registry/machine.reg and classes.reg.
class HiveFile
{
public:
    static constexpr int LockTimeoutMs = 20000;

    static QString path(RegRoot root);
    // The root a hive file belongs to, from its file name.
    static std::optional<RegRoot> rootOfFile(const QString &fileName);
    static QString lockFileName(const QString &fileName)
    {
        return fileName + QStringLiteral(".lock");
    }

    struct Loaded
    {
        std::shared_ptr<const Hive> hive; // never null; empty when the file is missing or bad
        RegError error = ERROR_SUCCESS;   // access denied, a file too large to load ...
    };
    // The hive as the file holds it now; parsed once per version of the file.
    static Loaded load(RegRoot root);
    static Loaded loadFile(const QString &fileName, RegRoot root);

    // Runs change on the current contents under the hive's lock and writes the result atomically
    // when change reports a change and returns ERROR_SUCCESS. A hive that cannot be written stays
    // as it was and the error is returned (ERROR_ACCESS_DENIED when the file or its folder is not
    // writable).
    using Change = std::function<RegError(Hive &hive, bool &changed)>;
    static RegError modify(RegRoot root, const Change &change);
    static RegError modifyFile(const QString &fileName, RegRoot root, const Change &change);

    // Logs the lines of a hive file that could not be read, once per process for each version
    // of the file, however often it is loaded.
    static void reportIssues(const QString &fileName, const RegDocument &document);

    static bool isWritable(RegRoot root);
    static bool isWritableFile(const QString &fileName);

    // For a writer that already holds the lock: the file parsed as it is now (nullptr and the
    // error when it cannot be read or is too large, so it is never overwritten blind).
    static std::unique_ptr<Hive> readForUpdate(const QString &fileName, RegRoot root,
                                               RegError &error);
    // Writes bytes to the replacement file of fileName and makes its modification time later
    // than the current file's, so every reader that compares size and time (QSettings does)
    // notices the new version even when it has the same size and was written in the same
    // millisecond.
    static bool writeReplacement(QFileDevice &device, const QByteArray &bytes,
                                 const QString &fileName);
};
