#pragma once

#include <QString>

// Where the launcher keeps machine-wide and per-user files on Linux.
//
// Machine-wide locations (the machine hives, the common data folder, the product configuration
// database) live below the machine root, fixed at build time and moved as a whole by the
// environment variable TESSALY_MACHINE_ROOT; per-user locations follow the XDG base directories.
// Every path returned here is absolute and has no trailing separator.
class Folders
{
public:
    // TESSALY_MACHINE_ROOT, else the build-time default ("/etc/tessaly" for a system install).
    static QString machineRoot();
    // Machine-wide data: <TESSALY_MACHINE_ROOT>/data, else the build-time default
    // ("/var/lib/tessaly").
    static QString machineDataRoot();
    // $XDG_CONFIG_HOME, else ~/.config.
    static QString userConfigHome();
    // $XDG_DATA_HOME, else ~/.local/share (the per-user application data folder).
    static QString userDataHome();

    // The common application-data folder: the machine data root when it exists (or can be made)
    // and is writable, else the per-user data folder, as the original falls back from the
    // common folder to the user's own one.
    static QString commonAppData();
    // The per-user application-data folder.
    static QString userAppData();
};
