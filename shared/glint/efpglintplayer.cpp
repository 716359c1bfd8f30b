#include "shared/glint/efpglintplayer.h"

#include "platform/nativewindow/nativewindows.h"
#include "shared/glint/efpunicode.h"
#include "shared/glint/glintplayertrust.h"

#include <QLoggingCategory>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

Q_LOGGING_CATEGORY(lcGlint, "tessaly.glint", QtWarningMsg)

namespace {

bool s_libraryInitialized = false;

const QString kInstanceProperty = QStringLiteral("EFPPlayerInstance");

std::u16string toUtf16(const char *utf8)
{
    return utf8ToUtf16(std::string(utf8));
}

BSTR toBstr(const std::u16string &text)
{
    return sysAllocStringLen(text.data(), quint32(text.size()));
}

} // namespace

const EFPGlintPlayer::Messages &EFPGlintPlayer::messages()
{
    static const Messages ids = [] {
        const auto id = [](const char16_t *name) {
            return NativeWindows::registerWindowMessage(QString::fromUtf16(name));
        };
        return Messages{id(EFP_MSG_APP_FUNCTION),          id(EFP_MSG_TRACE),
                        id(EFP_MSG_GET_PROPERTY),          id(EFP_MSG_REQUEST_URL),
                        id(EFP_MSG_REQUEST_SIZE),          id(EFP_MSG_DISCONNECTED),
                        id(EFP_MSG_REQUEST_ACTIVATE),      id(EFP_MSG_REQUEST_MAXIMIZE),
                        id(EFP_MSG_REQUEST_MINIMIZE),      id(EFP_MSG_REQUEST_RESTORE),
                        id(EFP_MSG_REQUEST_ORDER_TO_BACK), id(EFP_MSG_REQUEST_ORDER_TO_FRONT),
                        id(EFP_MSG_REQUEST_ORDER_BEHIND),  id(EFP_MSG_REQUEST_ORDER_IN_FRONT_OF),
                        id(EFP_MSG_REQUEST_NOTIFY_USER),   id(EFP_MSG_REQUEST_STAGE_TO_SCREEN)};
    }();
    return ids;
}

EFPGlintPlayer::EFPGlintPlayer()
{
    messages();
    if (!s_libraryInitialized) {
        const EFPInitParams params{2, 0};
        s_libraryInitialized = EFPInitialize(&params) == 0;
        EFPChangeLogLevel(8);
    }
}

EFPGlintPlayer::~EFPGlintPlayer()
{
    if (!m_stageWindow)
        return;
    // The hooks are virtual and this object is half gone: the player library gets the stage's
    // last messages directly.
    NativeWindows::removeProperty(m_stageWindow, kInstanceProperty);
    if (m_previousProcedure)
        NativeWindows::setWindowProcedure(m_stageWindow, m_previousProcedure);
    NativeWindows::destroyWindow(m_stageWindow);
}

bool EFPGlintPlayer::isLibraryInitialized()
{
    return s_libraryInitialized;
}

qintptr EFPGlintPlayer::filterMessage(quint32, quint32, quint32 message, quint32,
                                      EFPAppFunctionRecord *record)
{
    if (message == messages().appFunction && record) {
        record->handled = 1;
        record->result = nullptr;
    }
    return 0;
}

void EFPGlintPlayer::CallAppFunction(std::string &result, const std::string &)
{
    result = "<undefined/>";
}

void EFPGlintPlayer::onTrace(const std::string &) {}

void EFPGlintPlayer::onRequestSize(int width, int height)
{
    m_lastWidth = width;
    m_lastHeight = height;
}

qintptr EFPGlintPlayer::onGetProperty(EFPPropertyRecord *record)
{
    const NativeHandle stage = m_stageWindow;
    switch (record->id) {
    case 0:
        record->values[0] = NativeWindows::isActiveWindow(stage) ? 1 : 0;
        break;
    case 1:
        record->values[0] = NativeWindows::isTopmost(stage) ? 1 : 0;
        break;
    case 2: {
        const QRect rect = NativeWindows::windowRect(stage);
        record->values[0] = rect.left();
        record->values[1] = rect.top();
        record->values[2] = rect.left() + rect.width();
        record->values[3] = rect.top() + rect.height();
        break;
    }
    case 3:
        record->values[0] = NativeWindows::isMaximized(stage)   ? 2
                            : NativeWindows::isMinimized(stage) ? 1
                                                                : 0;
        break;
    case 4:
    case 5: {
        const QSize size = record->id == 4 ? NativeWindows::maximumTrackingSize()
                                           : NativeWindows::minimumTrackingSize();
        record->values[0] = size.width();
        record->values[1] = size.height();
        break;
    }
    case 6: {
        const QString title = NativeWindows::windowTitle(stage, 1024);
        record->text = sysAllocStringLen(reinterpret_cast<const char16_t *>(title.utf16()),
                                         quint32(title.size()));
        break;
    }
    case 7:
        record->values[0] = NativeWindows::isWindowVisible(stage) ? 1 : 0;
        break;
    case 8:
    case 258:
        record->values[0] = 0;
        break;
    default:
        break;
    }
    return 0;
}

void EFPGlintPlayer::onHitTest(quintptr, qintptr) {}

void EFPGlintPlayer::onMouseLeave(quintptr, qintptr) {}

void EFPGlintPlayer::onLeftButtonUp(quintptr, qintptr) {}

bool EFPGlintPlayer::onKeyUp(quintptr, qintptr)
{
    return false;
}

void EFPGlintPlayer::onRequestUrl(EFPUrlRecord *) {}

void EFPGlintPlayer::createStage(NativeHandle parent, int x, int y, int width, int height)
{
    // Creation record of the stage class: first word 1, the rest 0.
    const quint32 creation[3] = {1, 0, 0};
    const NativeHandle stage = NativeWindows::createWindow(QString::fromUtf16(EFP_STAGE_CLASS),
                                                           QStringLiteral("EFPPlayer"), parent, x,
                                                           y, width, height, creation);
    if (!stage) {
        qCWarning(lcGlint) << "the movie stage could not be created";
        return;
    }
    attachStage(stage, parent);
}

void EFPGlintPlayer::attachStage(NativeHandle stage, NativeHandle parent)
{
    m_parentWindow = parent;
    m_stageWindow = stage;
    m_player = EFPPlayerFromStageHWND(stage);
    m_previousProcedure = NativeWindows::windowProcedure(stage);
    NativeWindows::setProperty(stage, kInstanceProperty, this);
    NativeWindows::setWindowProcedure(stage, &hostWindowProcedure);
    EFPPlayerChangeAttributes(m_player, 7, 0);
    NativeWindows::revokeDragDrop(stage);
}

void EFPGlintPlayer::moveStage(int x, int y, int width, int height)
{
    m_lastWidth = width;
    m_lastHeight = height;
    NativeWindows::moveWindow(m_stageWindow, x, y, width, height, true);
}

void EFPGlintPlayer::reparentStage(NativeHandle parent, int x, int y, int width, int height)
{
    m_lastWidth = width;
    m_lastHeight = height;
    if (NativeWindows::setParent(m_stageWindow, parent))
        m_parentWindow = parent;
    NativeWindows::moveWindow(m_stageWindow, x, y, width, height, true);
}

void EFPGlintPlayer::setStageVisible(bool visible)
{
    NativeWindows::showWindow(m_stageWindow, visible);
}

bool EFPGlintPlayer::trusted(const char *path)
{
    const QString movie = QString::fromUtf8(path ? path : "");
    if (GlintPlayerTrust::mayLoad(movie))
        return true;
    qCWarning(lcGlint) << "movie" << movie
                       << "refused: its folder is neither the host's nor listed in a trust file";
    return false;
}

int32_t EFPGlintPlayer::loadMovie(const char *path)
{
    if (!m_player)
        return kNoPlayer;
    if (!trusted(path))
        return kUntrustedFolder;
    const int32_t code = EFPPlayerLoadSWF(m_player, toUtf16(path ? path : "").c_str());
    setStageVisible(true);
    return code;
}

int32_t EFPGlintPlayer::loadComponent(const char *path)
{
    if (!m_player)
        return kNoPlayer;
    if (!trusted(path))
        return kUntrustedFolder;
    const int32_t code = EFPPlayerLoadComponent(m_player, toUtf16(path ? path : "").c_str());
    setStageVisible(true);
    return code;
}

int32_t EFPGlintPlayer::callExternalInterface(const char *request, char **result)
{
    if (!m_player)
        return kNoPlayer;
    if (!request || !result)
        return kMissingArgument;
    BSTR reply = nullptr;
    const int32_t code = EFPPlayerCallExternalInterface(m_player, toUtf16(request).c_str(), &reply);
    if (reply) {
        std::string text;
        try {
            text = utf16ToUtf8(std::u16string(reply, sysStringLen(reply)));
        } catch (...) {
            sysFreeString(reply);
            throw;
        }
        sysFreeString(reply);
        auto *buffer = static_cast<char *>(std::calloc(text.size() + 1, 1));
        if (buffer) {
            std::memcpy(buffer, text.data(), text.size());
            *result = buffer;
        }
    }
    return code;
}

qintptr EFPGlintPlayer::hostWindowProcedure(NativeHandle window, quint32 message, quintptr wParam,
                                            qintptr lParam)
{
    auto *self = static_cast<EFPGlintPlayer *>(NativeWindows::property(window, kInstanceProperty));
    if (!self || !NativeWindows::isWindow(window))
        return 0;
    const Messages &ids = messages();
    // A movie's text that does not convert (a lone surrogate from a script, say) must not
    // unwind through the player library; the request is answered as if the host had nothing.
    try {
        if (message == ids.appFunction) {
            auto *record = reinterpret_cast<EFPAppFunctionRecord *>(lParam);
            record->handled = 1;
            const std::string request =
                utf16ToUtf8(record->request ? std::u16string(record->request) : std::u16string());
            std::string result;
            self->CallAppFunction(result, request);
            record->result = toBstr(utf8ToUtf16(result));
            return 0;
        }
        if (message == ids.getProperty)
            return self->onGetProperty(reinterpret_cast<EFPPropertyRecord *>(lParam));
        if (message == ids.trace) {
            const auto *text = reinterpret_cast<const char16_t *>(lParam);
            self->onTrace(utf16ToUtf8(text ? std::u16string(text) : std::u16string()));
            return 0;
        }
        if (message == ids.requestSize) {
            const auto *record = reinterpret_cast<const EFPSizeRecord *>(lParam);
            self->onRequestSize(record->width, record->height);
            return 0;
        }
        if (message == ids.disconnected)
            return 0;
        if (message == ids.requestUrl) {
            auto *record = reinterpret_cast<EFPUrlRecord *>(lParam);
            self->onRequestUrl(record);
            return record->served == 0 ? 1 : 0;
        }
    } catch (const std::runtime_error &error) {
        qCWarning(lcGlint) << "movie request dropped:" << error.what();
        return 0;
    }
    const WindowProcedure previous = self->m_previousProcedure;
    switch (message) {
    case NativeMessage::HitTest:
        self->onHitTest(wParam, lParam);
        break;
    case NativeMessage::KeyUp:
        self->onKeyUp(wParam, lParam);
        break;
    case NativeMessage::MouseLeave:
        self->onMouseLeave(wParam, lParam);
        break;
    case NativeMessage::LeftButtonUp:
        self->onLeftButtonUp(wParam, lParam);
        break;
    default:
        break;
    }
    return NativeWindows::callWindowProcedure(previous, window, message, wParam, lParam);
}
