#pragma once

#include <QByteArray>
#include <QString>

// The per-user folder that holds the lock files of the named mutexes, and the mapping of mutex
// names to file names in it.
//
// The folder is $XDG_RUNTIME_DIR/tessaly; without a usable $XDG_RUNTIME_DIR it is
// tessaly-<uid> in the temporary folder. Either way it is created with mode 0700 and refused
// when another user owns it or anyone but its owner may write to it: whoever controls the folder
// could hold every lock and keep the user's programs from starting.
class MutexFolder
{
public:
    enum class Error {
        None,
        Unavailable, // cannot be created or opened
        Unsafe,      // not a directory, another user's, or writable by others
    };

    // An open descriptor of the folder (O_DIRECTORY, close-on-exec), so lock files are opened
    // relative to the very folder that was checked.
    struct Opened
    {
        int fd = -1;
        QString path;
        Error error = Error::None;
        QString message;

        bool ok() const { return error == Error::None; }
    };

    // Opens (creating it when missing) and checks the folder; the caller owns the descriptor.
    static Opened open();

    // The folder open() uses, without creating or checking it.
    static QString path();

    // The file name for a mutex name: an injective encoding of any text into portable
    // file-name characters. Names too long for a file name keep a readable prefix and end with
    // a hash of the whole name.
    static QByteArray fileNameFor(const QString &name);
};
