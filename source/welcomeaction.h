#pragma once

#include "source/subapplication.h"

#include <QString>

#include <optional>

// The actions the Welcome Screen can ask for, numbered as the movie's action table numbers them,
// and what each one does: open a web page, send a script to a sub-application (some followed by
// a flush of the outgoing queue), or only bring the main window to the front.
class WelcomeAction
{
public:
    enum Number {
        Tutorial = 1,
        Nothing = 2,
        BrowseCatalog = 3,
        QuickFixMode = 4,
        AdvancedEditingMode = 5,
        NewCreation = 6,
        NewBlankFile = 7,
        Foreground = 8,
        TessalyHome = 9,
        Share = 10,
        SyncIntro = 11,
    };

    enum class Kind { WebPage, Script, Nothing, Foreground };

    // The number of a movie action id, compared exactly (letter case included); nullopt for an
    // id the table does not hold.
    static std::optional<int> fromMovieId(const QString &id);

    // What a number does; a number outside 1..11 brings the window to the front.
    static Kind kind(int number);
    // For script actions: the application addressed, the script, and whether the outgoing queue
    // is flushed after the send.
    static SubApplication::Id target(int number);
    static QString script(int number);
    static bool flushesAfterSend(int number);
    // For web-page actions: the address, a dictionary text.
    static QString pageAddress(int number);
};
