#pragma once

#include <QList>
#include <QString>

#include <cstdint>

class EFPStagePlayer;
struct EFPStreamState;

// Process-wide state of the player library: whether it is initialised, its log level, the
// message identifiers it sends, the live players and the open URL streams.
class EFPLibrary
{
public:
    struct Messages
    {
        quint32 appFunction = 0;
        quint32 trace = 0;
        quint32 getProperty = 0;
        quint32 requestUrl = 0;
        quint32 requestSize = 0;
        quint32 disconnected = 0;
        quint32 requestActivate = 0;
        quint32 requestMaximize = 0;
        quint32 requestMinimize = 0;
        quint32 requestRestore = 0;
        quint32 requestOrderToBack = 0;
        quint32 requestOrderToFront = 0;
        quint32 requestOrderBehind = 0;
        quint32 requestOrderInFrontOf = 0;
        quint32 requestNotifyUser = 0;
        quint32 requestStageToScreen = 0;
    };

    // Registers the stage class and the messages, chooses the renderer and routes the movies'
    // console output. Fails without a GUI application.
    static int32_t initialize();
    static bool isInitialized();
    static void terminate();
    static void setLogLevel(int level);
    static int logLevel();
    static const Messages &messages();

    static void addPlayer(EFPStagePlayer *player);
    static void removePlayer(EFPStagePlayer *player);
    static bool isPlayer(const void *player);
    // The player whose movie code runs at the moment the library called into a movie, if any.
    static EFPStagePlayer *currentPlayer();
    static void setCurrentPlayer(EFPStagePlayer *player);

    static EFPStreamState *openStream();
    static void closeStream(EFPStreamState *stream);
    static EFPStreamState *stream(const void *handle);

    // The player a console message of the given source file belongs to.
    static EFPStagePlayer *playerForSource(const char *file);
};

// What a host wrote into the stream of one URL request.
struct EFPStreamState
{
    QByteArray data;
    bool closed = false;
};

// Sets the current player for the lifetime of the object (nesting restores the outer one).
class EFPCurrentPlayerScope
{
public:
    explicit EFPCurrentPlayerScope(EFPStagePlayer *player)
        : m_previous(EFPLibrary::currentPlayer())
    {
        EFPLibrary::setCurrentPlayer(player);
    }
    ~EFPCurrentPlayerScope() { EFPLibrary::setCurrentPlayer(m_previous); }
    EFPCurrentPlayerScope(const EFPCurrentPlayerScope &) = delete;
    EFPCurrentPlayerScope &operator=(const EFPCurrentPlayerScope &) = delete;

private:
    EFPStagePlayer *m_previous;
};
