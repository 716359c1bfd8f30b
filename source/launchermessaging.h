#pragma once

#include <QString>

namespace KnObjects {
class CrosswireConnector;
class CrosswireContext;
} // namespace KnObjects

// The launcher as the messaging endpoint "pxolauncher-11.0": brings the script runtime and the
// endpoint up at start-up and down at exit, and gives the rest of the launcher its few
// operations on the Organizer and the Editor. Everything runs on the GUI thread; received
// messages are handled when pump() runs (every 500 ms from the application timer).
//
// The operations may be used between initialize() and terminate(). A send outside that time, or
// one the messaging library refuses, throws std::runtime_error; whatever the library throws goes
// through as it is. Queries outside that time answer false or an empty status.
class LauncherMessaging
{
public:
    static const char *const kLauncherSpecifier;
    static const char *const kOrganizerSpecifier;
    static const char *const kEditorSpecifier;
    static const char *const kMotivaSpecifier;
    // What every start-up script is sent with: the sub-application starts without arguments.
    static const char *const kLaunchParameters;
    // flushOutgoing() waits this many rounds of kFlushWaitMs at most.
    static constexpr int kFlushMaxWaits = 240;
    static constexpr int kFlushWaitMs = 250;

    // Runtime, messaging identity, endpoint with its script handler, in that order; the script
    // engine, the receiving script and the launcher component come with the first received
    // script (at once when there is no endpoint). False when the endpoint could not be opened
    // (sends then throw, queries answer false).
    static bool initialize();
    // Endpoint, then engine, then the runtime; an exception on the way ends it early.
    static void terminate();
    static bool isInitialized();

    static void sendToOrganizer(const QString &script);
    static void sendToEditor(const QString &script);

    static bool isOrganizerRunning();
    static bool isEditorRunning();
    // The target's messaging status ("IDLE" once it is ready); empty when it cannot be reached.
    static QString organizerStatus();
    static QString editorStatus();
    static bool isEditorInstalled();
    static bool isMotivaInstalled();
    static void bringOrganizerToFront();

    // Sends the queued outgoing messages and waits until they are gone, at most
    // kFlushMaxWaits rounds of kFlushWaitMs; returns at once when nothing is queued.
    static bool flushOutgoing();
    // The same with other limits; returns the number of waits it made.
    static int flushOutgoing(int maxWaits, int waitMs);

    // Handles received messages and sends queued ones (both steps of the library's pump).
    static void pump();

    // The library objects while initialised, else null.
    static KnObjects::CrosswireContext *context();
    static KnObjects::CrosswireConnector *connector();
};
