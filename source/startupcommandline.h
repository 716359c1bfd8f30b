#pragma once

#include <QStringList>

// What the launcher's command line asks for: files to hand to a sub-application, and whether
// handing anything to a sub-application is allowed at all ("-noSubLaunch", any letter case).
struct StartupCommandLine
{
    bool subLaunchAllowed = true;
    QStringList files;

    // qtArguments: the arguments after Qt removed its own options (argv[0] first);
    // rawArguments: the process arguments exactly as main received them.
    static StartupCommandLine parse(const QStringList &qtArguments,
                                    const QStringList &rawArguments);
};
