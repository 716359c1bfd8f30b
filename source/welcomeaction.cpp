#include "source/welcomeaction.h"

#include "locale/zstring.h"

namespace {

struct MovieId
{
    const char *id;
    int number;
};

// Tried in this order; the first exact match wins.
constexpr MovieId kMovieIds[] = {
    {"idTutorial", WelcomeAction::Tutorial},
    {"idBrowseCatalog", WelcomeAction::BrowseCatalog},
    {"idQuickFixMode", WelcomeAction::QuickFixMode},
    {"idAdvancedEditingMode", WelcomeAction::AdvancedEditingMode},
    {"idNewCreation", WelcomeAction::NewCreation},
    {"idNewBlankFile", WelcomeAction::NewBlankFile},
    {"idTessaly", WelcomeAction::TessalyHome},
    {"idShare", WelcomeAction::Share},
};

} // namespace

std::optional<int> WelcomeAction::fromMovieId(const QString &id)
{
    for (const MovieId &entry : kMovieIds) {
        if (id == QLatin1String(entry.id))
            return entry.number;
    }
    return std::nullopt;
}

WelcomeAction::Kind WelcomeAction::kind(int number)
{
    switch (number) {
    case Tutorial:
    case TessalyHome:
        return Kind::WebPage;
    case Nothing:
        return Kind::Nothing;
    case BrowseCatalog:
    case QuickFixMode:
    case AdvancedEditingMode:
    case NewCreation:
    case NewBlankFile:
    case Share:
    case SyncIntro:
        return Kind::Script;
    default:
        return Kind::Foreground;
    }
}

SubApplication::Id WelcomeAction::target(int number)
{
    switch (number) {
    case QuickFixMode:
    case AdvancedEditingMode:
    case NewBlankFile:
        return SubApplication::Editor;
    default:
        return SubApplication::Organizer;
    }
}

QString WelcomeAction::script(int number)
{
    switch (number) {
    case BrowseCatalog:
        return QStringLiteral("open('organizeTab', 'requestFromWS');");
    case QuickFixMode:
        return QStringLiteral("new_file('quick');");
    case AdvancedEditingMode:
        return QStringLiteral("new_file('previous');");
    case NewCreation:
        return QStringLiteral("open('createTab', 'requestFromWS');");
    case NewBlankFile:
        return QStringLiteral("new_file('quick','generic');");
    case Share:
        return QStringLiteral("open('shareTab', 'requestFromWS');");
    case SyncIntro:
        return QStringLiteral("launchSyncIntro('');");
    default:
        return {};
    }
}

bool WelcomeAction::flushesAfterSend(int number)
{
    return number == NewCreation || number == Share || number == SyncIntro;
}

QString WelcomeAction::pageAddress(int number)
{
    switch (number) {
    case Tutorial:
        return Locale::zstring(
            "$$$/LauncherWindow/TutorialURL=https://learn.tessaly.com/pixtrel-orvana/11/tutorials");
    case TessalyHome:
        return Locale::zstring("$$$/LauncherWindow/TessalyURL=https://www.tessaly.com/");
    default:
        return {};
    }
}
