#pragma once

#include "components/efp/efpapi.h"
#include "platform/nativewindow/nativewindowtypes.h"

#include <cstdint>
#include <string>

// The host side of the movie player library: creates and owns one stage window, attaches to
// the player behind it and subclasses the stage's window procedure, turning the player's
// requests into calls of the virtual hooks below (in this order). The defaults are what a bare
// host does; the player widget replaces several of them.
//
// All of it runs on the GUI thread; the hooks run synchronously inside the stage's window
// procedure while the movie waits.
class EFPGlintPlayer
{
public:
    // The code of load and call operations when there is no player.
    static constexpr int32_t kNoPlayer = 0x40002;
    // The code of callExternalInterface without a request or out pointer.
    static constexpr int32_t kMissingArgument = 3;
    // The code of load operations refused because the movie lies outside the folders the
    // player trusts (GlintPlayerTrust); nothing is loaded.
    static constexpr int32_t kUntrustedFolder = 0x4000A;

    // The identifiers of the player's registered messages, obtained once per process.
    struct Messages
    {
        quint32 appFunction, trace, getProperty, requestUrl, requestSize, disconnected;
        quint32 requestActivate, requestMaximize, requestMinimize, requestRestore;
        quint32 requestOrderToBack, requestOrderToFront, requestOrderBehind;
        quint32 requestOrderInFrontOf, requestNotifyUser, requestStageToScreen;
    };
    static const Messages &messages();

    // Initialises the player library unless an earlier construction did so.
    EFPGlintPlayer();
    virtual ~EFPGlintPlayer();
    EFPGlintPlayer(const EFPGlintPlayer &) = delete;
    EFPGlintPlayer &operator=(const EFPGlintPlayer &) = delete;

    // Slot 0. For the app-function message: marks the record handled, leaves the result empty.
    virtual qintptr filterMessage(quint32 first, quint32 second, quint32 message, quint32 value,
                                  EFPAppFunctionRecord *record);
    // Slot 1. An incoming call of a host function; the default answers "<undefined/>".
    virtual void CallAppFunction(std::string &result, const std::string &request);
    // Slot 2.
    virtual void onTrace(const std::string &text);
    // Slot 3. Records the size.
    virtual void onRequestSize(int width, int height);
    // Slot 4. Answers from the stage window; returns the window procedure's result.
    virtual qintptr onGetProperty(EFPPropertyRecord *record);
    // Slots 5 to 8: the platform's input messages for the stage, passed on afterwards.
    virtual void onHitTest(quintptr wParam, qintptr lParam);
    virtual void onMouseLeave(quintptr wParam, qintptr lParam);
    virtual void onLeftButtonUp(quintptr wParam, qintptr lParam);
    virtual bool onKeyUp(quintptr wParam, qintptr lParam);
    // Slot 9. Leaves the URL unserved.
    virtual void onRequestUrl(EFPUrlRecord *record);

    void createStage(NativeHandle parent, int x, int y, int width, int height);
    void attachStage(NativeHandle stage, NativeHandle parent);
    void moveStage(int x, int y, int width, int height);
    void reparentStage(NativeHandle parent, int x, int y, int width, int height);
    void setStageVisible(bool visible);

    // UTF-8 paths; the library's result code, kNoPlayer or kUntrustedFolder.
    int32_t loadMovie(const char *path);
    int32_t loadComponent(const char *path);
    // Calls a movie function with a UTF-8 invoke document. A reply is handed over in *result as
    // a new NUL-terminated UTF-8 buffer that the caller frees with free(); without a reply
    // *result is left untouched.
    int32_t callExternalInterface(const char *request, char **result);

    NativeHandle stageWindow() const { return m_stageWindow; }
    NativeHandle parentWindow() const { return m_parentWindow; }
    EFPPlayer player() const { return m_player; }
    int lastWidth() const { return m_lastWidth; }
    int lastHeight() const { return m_lastHeight; }

    static bool isLibraryInitialized();

private:
    // Whether GlintPlayerTrust lets the movie load; logs a refusal.
    static bool trusted(const char *path);
    static qintptr hostWindowProcedure(NativeHandle window, quint32 message, quintptr wParam,
                                       qintptr lParam);

    WindowProcedure m_previousProcedure = nullptr;
    NativeHandle m_parentWindow = 0;
    NativeHandle m_stageWindow = 0;
    EFPPlayer m_player = nullptr;
    int32_t m_lastWidth = 0;
    int32_t m_lastHeight = 0;
};
