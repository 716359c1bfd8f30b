#pragma once

// The interface of the movie player library "tslyefp": the exported functions, the records the
// library passes with its window messages, and the names of those messages. The host creates a
// stage window of the class EFP_STAGE_CLASS (registered by EFPInitialize) inside its own window,
// gets the player behind it with EFPPlayerFromStageHWND, and receives the player's requests as
// registered window messages sent to the stage window's procedure.
//
// Strings are NUL-terminated UTF-16. Results handed to the host are system strings (BSTR) that
// the host frees with sysFreeString.

#include "platform/nativewindow/bstr.h"
#include "platform/nativewindow/nativewindowtypes.h"

#include <cstdint>

#if defined(TSLYEFP_BUILDING)
#define EFP_EXPORT __attribute__((visibility("default")))
#else
#define EFP_EXPORT
#endif

#define EFP_STAGE_CLASS u"com.tessaly.efp.stage"

// Message names, registered with NativeWindows::registerWindowMessage by both sides.
#define EFP_MSG_APP_FUNCTION u"com.tessaly.efp.player.app-function"
#define EFP_MSG_TRACE u"com.tessaly.efp.player.trace"
#define EFP_MSG_GET_PROPERTY u"com.tessaly.efp.player.get-property"
#define EFP_MSG_REQUEST_URL u"com.tessaly.efp.player.request-url"
#define EFP_MSG_REQUEST_SIZE u"com.tessaly.efp.stage.request-size"
#define EFP_MSG_DISCONNECTED u"com.tessaly.efp.stage.disconnected"
#define EFP_MSG_REQUEST_ACTIVATE u"com.tessaly.efp.player.request-activate"
#define EFP_MSG_REQUEST_MAXIMIZE u"com.tessaly.efp.player.request-maximize"
#define EFP_MSG_REQUEST_MINIMIZE u"com.tessaly.efp.player.request-minimize"
#define EFP_MSG_REQUEST_RESTORE u"com.tessaly.efp.player.request-restore"
#define EFP_MSG_REQUEST_ORDER_TO_BACK u"com.tessaly.efp.player.request-order-to-back"
#define EFP_MSG_REQUEST_ORDER_TO_FRONT u"com.tessaly.efp.player.request-order-to-front"
#define EFP_MSG_REQUEST_ORDER_BEHIND u"com.tessaly.efp.player.request-order-behind"
#define EFP_MSG_REQUEST_ORDER_IN_FRONT_OF u"com.tessaly.efp.player.request-order-in-front-of"
#define EFP_MSG_REQUEST_NOTIFY_USER u"com.tessaly.efp.player.request-notify-user"
#define EFP_MSG_REQUEST_STAGE_TO_SCREEN u"com.tessaly.efp.player.request-stage-to-screen"

// Result codes. 0 is success.
enum : int32_t {
    EFP_OK = 0,
    EFP_E_INVALID_ARGUMENT = 0x40001,
    EFP_E_NO_PLAYER = 0x40002,
    EFP_E_NOT_INITIALIZED = 0x40003,
    EFP_E_FILE_NOT_FOUND = 0x40004,
    EFP_E_MOVIE_ERROR = 0x40005,
    EFP_E_NO_CALLBACK = 0x40006,
    EFP_E_SCRIPT_ERROR = 0x40007,
    EFP_E_BAD_REQUEST = 0x40008,
    EFP_E_NO_STREAM = 0x40009,
};

// Attribute bits of EFPPlayerChangeAttributes: which requests the player sends to its host.
enum : int32_t {
    EFP_ATTRIBUTE_HOST_CALLS = 0x1,   // ExternalInterface.call reaches the host
    EFP_ATTRIBUTE_TRACES = 0x2,       // console output of the movie becomes trace messages
    EFP_ATTRIBUTE_URL_REQUESTS = 0x4, // web resources are first asked of the host
};

struct EFPInitParams
{
    int32_t version; // 2
    int32_t flags;   // 0
};

using EFPPlayer = void *;
using EFPStream = void *;

// lParam of the app-function message: the host sets handled to 1 and stores its reply.
struct EFPAppFunctionRecord
{
    int32_t handled;
    const char16_t *request;
    BSTR result;
};

// lParam of the get-property message. Numbers go into values; a text answer (the title, id 6)
// goes into text as a BSTR, which the library frees.
struct EFPPropertyRecord
{
    int32_t id;
    int32_t values[4];
    BSTR text;
};

// lParam of the request-size message.
struct EFPSizeRecord
{
    int32_t reserved;
    int32_t width;
    int32_t height;
};

// lParam of the request-url message: the host writes what it serves into stream with
// EFPStreamWrite, closes it with EFPStreamClose and sets served.
struct EFPUrlRecord
{
    int32_t reserved;
    const char16_t *url;
    EFPStream stream;
    uint8_t served;
};

// lParam of the stage-to-screen request: a point in stage coordinates, replaced in place by
// its screen position.
struct EFPPointRecord
{
    int32_t x;
    int32_t y;
};

extern "C" {
EFP_EXPORT int32_t EFPInitialize(const EFPInitParams *params);
EFP_EXPORT int32_t EFPChangeLogLevel(int32_t level);
EFP_EXPORT int32_t EFPTerminate();
EFP_EXPORT EFPPlayer EFPPlayerFromStageHWND(NativeHandle stage);
EFP_EXPORT int32_t EFPPlayerChangeAttributes(EFPPlayer player, int32_t set, int32_t clear);
EFP_EXPORT int32_t EFPPlayerLoadSWF(EFPPlayer player, const char16_t *path);
EFP_EXPORT int32_t EFPPlayerLoadComponent(EFPPlayer player, const char16_t *folder);
EFP_EXPORT int32_t EFPPlayerCallExternalInterface(EFPPlayer player, const char16_t *request,
                                                  BSTR *result);
EFP_EXPORT int32_t EFPStreamWrite(EFPStream stream, const void *bytes, int32_t count);
EFP_EXPORT int32_t EFPStreamClose(EFPStream stream, int32_t complete);
}
