#include "components/efp/efplibrary.h"

#include "components/efp/efpapi.h"
#include "components/efp/efpstageplayer.h"
#include "components/efp/efpvectorglyph.h"
#include "platform/nativewindow/nativewindows.h"

#include <QGuiApplication>
#include <QQuickView>
#include <QQuickWindow>
#include <QSet>
#include <QThread>

#include <cstring>

namespace {

const QString kPlayerProperty = QStringLiteral("com.tessaly.efp.player");

struct State
{
    bool initialized = false;
    bool handlerInstalled = false;
    int logLevel = 4;
    EFPLibrary::Messages messages;
    QList<EFPStagePlayer *> players;
    EFPStagePlayer *current = nullptr;
    QSet<EFPStreamState *> streams;
    QtMessageHandler previousHandler = nullptr;
};

State &state()
{
    static State s;
    return s;
}

QString fromUtf16(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// The level a console message needs to be traced: everything at 8, nothing at 0.
int levelOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 8;
    case QtInfoMsg:
        return 6;
    case QtWarningMsg:
        return 4;
    case QtCriticalMsg:
        return 2;
    case QtFatalMsg:
        return 1;
    }
    return 8;
}

void consoleHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool fromMovie = context.category && (std::strcmp(context.category, "qml") == 0 ||
                                                std::strcmp(context.category, "js") == 0);
    QCoreApplication *app = QCoreApplication::instance();
    if (fromMovie && type != QtFatalMsg && app && QThread::currentThread() == app->thread()) {
        if (EFPStagePlayer *player = EFPLibrary::playerForSource(context.file)) {
            if (levelOf(type) <= state().logLevel)
                player->trace(message);
            return;
        }
    }
    if (state().previousHandler)
        state().previousHandler(type, context, message);
}

QWindow *topLevelOf(QWindow *window)
{
    while (window && window->parent())
        window = window->parent();
    return window;
}

// The stage class's own procedure: what the player does with the requests its host passes on.
qintptr stageProcedure(NativeHandle stage, quint32 message, quintptr wParam, qintptr lParam)
{
    const EFPLibrary::Messages &ids = EFPLibrary::messages();
    if (message == NativeMessage::Create) {
        auto *view = qobject_cast<QQuickView *>(NativeWindows::window(stage));
        if (view)
            NativeWindows::setProperty(stage, kPlayerProperty, new EFPStagePlayer(stage, view));
        return 0;
    }
    if (message == NativeMessage::Destroy) {
        auto *player =
            static_cast<EFPStagePlayer *>(NativeWindows::removeProperty(stage, kPlayerProperty));
        if (player) {
            player->disconnect();
            delete player;
        }
        return 0;
    }
    QWindow *top = topLevelOf(NativeWindows::window(stage));
    if (!top)
        return 0;
    if (message == ids.requestActivate) {
        top->requestActivate();
    } else if (message == ids.requestMaximize) {
        top->showMaximized();
    } else if (message == ids.requestMinimize) {
        top->showMinimized();
    } else if (message == ids.requestRestore) {
        top->showNormal();
    } else if (message == ids.requestOrderToBack || message == ids.requestOrderBehind) {
        top->lower();
    } else if (message == ids.requestOrderToFront || message == ids.requestOrderInFrontOf) {
        top->raise();
    } else if (message == ids.requestNotifyUser) {
        top->alert(0);
    } else if (message == ids.requestStageToScreen && lParam) {
        auto *point = reinterpret_cast<EFPPointRecord *>(lParam);
        const QPoint global = NativeWindows::window(stage)->mapToGlobal(QPoint(point->x, point->y));
        point->x = global.x();
        point->y = global.y();
    }
    Q_UNUSED(wParam);
    return 0;
}

QWindow *createStageWindow(const NativeWindowCreateInfo &info)
{
    auto *view = new QQuickView(info.parent);
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setFlag(Qt::FramelessWindowHint, true);
    return view;
}

} // namespace

int32_t EFPLibrary::initialize()
{
    State &s = state();
    if (s.initialized)
        return EFP_OK;
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return EFP_E_NOT_INITIALIZED;
    // Without a GPU the software renderer starts faster and needs a third of the memory; an
    // explicit QT_QUICK_BACKEND still wins.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    EFPVectorGlyph::registerType();
    const QString stageClass = fromUtf16(EFP_STAGE_CLASS);
    if (!NativeWindows::isWindowClassRegistered(stageClass) &&
        !NativeWindows::registerWindowClass(stageClass, &createStageWindow, &stageProcedure))
        return EFP_E_NOT_INITIALIZED;
    const auto id = [](const char16_t *name) {
        return NativeWindows::registerWindowMessage(fromUtf16(name));
    };
    Messages &m = s.messages;
    m.appFunction = id(EFP_MSG_APP_FUNCTION);
    m.trace = id(EFP_MSG_TRACE);
    m.getProperty = id(EFP_MSG_GET_PROPERTY);
    m.requestUrl = id(EFP_MSG_REQUEST_URL);
    m.requestSize = id(EFP_MSG_REQUEST_SIZE);
    m.disconnected = id(EFP_MSG_DISCONNECTED);
    m.requestActivate = id(EFP_MSG_REQUEST_ACTIVATE);
    m.requestMaximize = id(EFP_MSG_REQUEST_MAXIMIZE);
    m.requestMinimize = id(EFP_MSG_REQUEST_MINIMIZE);
    m.requestRestore = id(EFP_MSG_REQUEST_RESTORE);
    m.requestOrderToBack = id(EFP_MSG_REQUEST_ORDER_TO_BACK);
    m.requestOrderToFront = id(EFP_MSG_REQUEST_ORDER_TO_FRONT);
    m.requestOrderBehind = id(EFP_MSG_REQUEST_ORDER_BEHIND);
    m.requestOrderInFrontOf = id(EFP_MSG_REQUEST_ORDER_IN_FRONT_OF);
    m.requestNotifyUser = id(EFP_MSG_REQUEST_NOTIFY_USER);
    m.requestStageToScreen = id(EFP_MSG_REQUEST_STAGE_TO_SCREEN);
    if (!s.handlerInstalled) {
        s.previousHandler = qInstallMessageHandler(&consoleHandler);
        s.handlerInstalled = true;
    }
    s.initialized = true;
    return EFP_OK;
}

bool EFPLibrary::isInitialized()
{
    return state().initialized;
}

void EFPLibrary::terminate()
{
    // Stages that still exist keep playing; new ones need a new initialisation.
    state().initialized = false;
}

void EFPLibrary::setLogLevel(int level)
{
    state().logLevel = level;
}

int EFPLibrary::logLevel()
{
    return state().logLevel;
}

const EFPLibrary::Messages &EFPLibrary::messages()
{
    return state().messages;
}

void EFPLibrary::addPlayer(EFPStagePlayer *player)
{
    state().players.append(player);
}

void EFPLibrary::removePlayer(EFPStagePlayer *player)
{
    State &s = state();
    s.players.removeAll(player);
    if (s.current == player)
        s.current = nullptr;
}

bool EFPLibrary::isPlayer(const void *player)
{
    for (const EFPStagePlayer *known : state().players) {
        if (known == player)
            return true;
    }
    return false;
}

EFPStagePlayer *EFPLibrary::currentPlayer()
{
    return state().current;
}

void EFPLibrary::setCurrentPlayer(EFPStagePlayer *player)
{
    state().current = player;
}

EFPStreamState *EFPLibrary::openStream()
{
    auto *stream = new EFPStreamState;
    state().streams.insert(stream);
    return stream;
}

void EFPLibrary::closeStream(EFPStreamState *stream)
{
    if (state().streams.remove(stream))
        delete stream;
}

EFPStreamState *EFPLibrary::stream(const void *handle)
{
    for (EFPStreamState *stream : std::as_const(state().streams)) {
        if (stream == handle)
            return stream;
    }
    return nullptr;
}

EFPStagePlayer *EFPLibrary::playerForSource(const char *file)
{
    State &s = state();
    if (s.current)
        return s.current;
    if (!file)
        return nullptr;
    // Otherwise the movie whose document is the source, or whose folder holds it.
    const QString source = QString::fromUtf8(file);
    EFPStagePlayer *best = nullptr;
    qsizetype bestLength = -1;
    for (EFPStagePlayer *player : std::as_const(s.players)) {
        const QString movie = player->movieUrl().toString();
        if (movie.isEmpty())
            continue;
        if (movie == source)
            return player;
        const QString folder = movie.left(movie.lastIndexOf(QLatin1Char('/')) + 1);
        if (source.startsWith(folder) && folder.size() > bestLength) {
            best = player;
            bestLength = folder.size();
        }
    }
    return best;
}
