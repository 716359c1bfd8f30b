// The exported functions of the player library. Every entry point checks its handles, so a
// stale or foreign pointer from a host gets an error code instead of a crash.

#include "components/efp/efpapi.h"
#include "components/efp/efplibrary.h"
#include "components/efp/efpstageplayer.h"
#include "platform/nativewindow/nativewindows.h"

#include <QString>

namespace {

EFPStagePlayer *playerOf(EFPPlayer player)
{
    return EFPLibrary::isPlayer(player) ? static_cast<EFPStagePlayer *>(player) : nullptr;
}

} // namespace

extern "C" {

int32_t EFPInitialize(const EFPInitParams *params)
{
    if (!params || params->version < 1)
        return EFP_E_INVALID_ARGUMENT;
    return EFPLibrary::initialize();
}

int32_t EFPChangeLogLevel(int32_t level)
{
    const int previous = EFPLibrary::logLevel();
    EFPLibrary::setLogLevel(qBound(0, int(level), 8));
    return previous;
}

int32_t EFPTerminate()
{
    EFPLibrary::terminate();
    return EFP_OK;
}

EFPPlayer EFPPlayerFromStageHWND(NativeHandle stage)
{
    if (NativeWindows::className(stage) != QString::fromUtf16(EFP_STAGE_CLASS))
        return nullptr;
    return NativeWindows::property(stage, QStringLiteral("com.tessaly.efp.player"));
}

int32_t EFPPlayerChangeAttributes(EFPPlayer player, int32_t set, int32_t clear)
{
    EFPStagePlayer *p = playerOf(player);
    if (!p)
        return EFP_E_NO_PLAYER;
    p->changeAttributes(set, clear);
    return EFP_OK;
}

int32_t EFPPlayerLoadSWF(EFPPlayer player, const char16_t *path)
{
    EFPStagePlayer *p = playerOf(player);
    if (!p)
        return EFP_E_NO_PLAYER;
    if (!path)
        return EFP_E_INVALID_ARGUMENT;
    return p->loadMovie(QString::fromUtf16(path));
}

int32_t EFPPlayerLoadComponent(EFPPlayer player, const char16_t *folder)
{
    EFPStagePlayer *p = playerOf(player);
    if (!p)
        return EFP_E_NO_PLAYER;
    if (!folder)
        return EFP_E_INVALID_ARGUMENT;
    return p->loadComponent(QString::fromUtf16(folder));
}

int32_t EFPPlayerCallExternalInterface(EFPPlayer player, const char16_t *request, BSTR *result)
{
    EFPStagePlayer *p = playerOf(player);
    if (!p)
        return EFP_E_NO_PLAYER;
    if (!request)
        return EFP_E_INVALID_ARGUMENT;
    return p->callExternalInterface(QString::fromUtf16(request), result);
}

int32_t EFPStreamWrite(EFPStream stream, const void *bytes, int32_t count)
{
    EFPStreamState *s = EFPLibrary::stream(stream);
    if (!s)
        return EFP_E_NO_STREAM;
    if (count < 0 || (count > 0 && !bytes) || s->closed)
        return EFP_E_INVALID_ARGUMENT;
    s->data.append(static_cast<const char *>(bytes), count);
    return EFP_OK;
}

int32_t EFPStreamClose(EFPStream stream, int32_t complete)
{
    EFPStreamState *s = EFPLibrary::stream(stream);
    if (!s)
        return EFP_E_NO_STREAM;
    Q_UNUSED(complete);
    s->closed = true;
    return EFP_OK;
}
}
