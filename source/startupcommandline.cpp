#include "source/startupcommandline.h"

#include <QFile>

namespace {

const QString &noSubLaunchSwitch()
{
    static const QString name = QStringLiteral("-noSubLaunch");
    return name;
}

} // namespace

StartupCommandLine StartupCommandLine::parse(const QStringList &qtArguments,
                                             const QStringList &rawArguments)
{
    StartupCommandLine result;
    if (qtArguments.size() > 1 && qtArguments.at(1).toLower() == noSubLaunchSwitch().toLower()) {
        result.subLaunchAllowed = false;
        return result;
    }
    // The raw arguments still hold what Qt took for its own options; a file that happens to
    // follow such an option is still a file the user asked to open.
    for (qsizetype i = 1; i < rawArguments.size(); ++i) {
        const QString &argument = rawArguments.at(i);
        if (argument.compare(noSubLaunchSwitch(), Qt::CaseInsensitive) == 0) {
            result.subLaunchAllowed = false;
            break;
        }
        if (QFile::exists(argument))
            result.files.append(argument);
    }
    return result;
}
