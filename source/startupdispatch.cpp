#include "source/startupdispatch.h"

#include "source/launchercontext.h"
#include "source/launcherlog.h"

#include "locale/zstring.h"

#include <QDir>

#include <exception>

namespace {

const QString kVersion = QStringLiteral("11.0");

} // namespace

QString StartupDispatch::escapeForSingleQuotes(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QLatin1String("\\\\");
            break;
        case u'\'':
            escaped += QLatin1String("\\'");
            break;
        case u'\n':
            escaped += QLatin1String("\\n");
            break;
        case u'\r':
            escaped += QLatin1String("\\r");
            break;
        // Line terminators of the script language too: unescaped they end the string.
        case 0x2028:
            escaped += QLatin1String("\\u2028");
            break;
        case 0x2029:
            escaped += QLatin1String("\\u2029");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString StartupDispatch::fileArrayScript(const QStringList &files)
{
    QString script = QStringLiteral("var a = new Array (");
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i > 0)
            script += QLatin1Char(',');
        script += QLatin1Char('\'') + escapeForSingleQuotes(QDir::fromNativeSeparators(files[i])) +
                  QLatin1Char('\'');
    }
    script += QLatin1String(");");
    return script;
}

StartupDispatch::Plan StartupDispatch::plan(int startupApplication, const QStringList &files)
{
    switch (startupApplication) {
    case 1:
        if (files.isEmpty())
            return {Target::Organizer, QStringLiteral("open('organizeTab', 'requestFromWS');")};
        return {Target::Organizer, fileArrayScript(files) + QLatin1String("import_files(a);")};
    case 2:
        return {Target::Editor, fileArrayScript(files) + QLatin1String("new_file('quick',a);")};
    case 0:
        if (files.isEmpty())
            return {};
        return {Target::Editor, fileArrayScript(files) + QLatin1String("new_file('quick',a);")};
    default:
        return {};
    }
}

QString StartupDispatch::organizerName()
{
    return Locale::zstring("$$$/LauncherWindow/OrganizerCaption=%1 %2")
        .arg(QStringLiteral("Orvana Organizer"), kVersion);
}

QString StartupDispatch::editorName()
{
    return Locale::zstring("$$$/LauncherWindow/EditorCaption=Tessaly Pixtrel Orvana %1 (Editor)")
        .arg(kVersion);
}

QString StartupDispatch::run(const Plan &plan, const Send &toOrganizer, const Send &toEditor)
{
    if (plan.target == Target::None)
        return {};
    const bool organizer = plan.target == Target::Organizer;
    try {
        (organizer ? toOrganizer : toEditor)(plan.script);
        LauncherContext::setSubLaunched(true);
        return {};
    } catch (const std::exception &error) {
        qCWarning(lcLauncher) << "start-up script not sent:" << error.what();
    } catch (...) {
        qCWarning(lcLauncher) << "start-up script not sent";
    }
    // The box that follows promises the Welcome Screen: with the flag set it would never show,
    // and the launcher would sit hidden with nothing to wait for.
    return organizer ? organizerName() : editorName();
}
