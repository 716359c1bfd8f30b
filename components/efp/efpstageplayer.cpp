#include "components/efp/efpstageplayer.h"

#include "components/efp/efpexternalinterface.h"
#include "components/efp/efpinvokecodec.h"
#include "components/efp/efplibrary.h"
#include "components/efp/efplocalchannel.h"
#include "components/efp/efpstageobject.h"
#include "components/efp/efpurlinterceptor.h"
#include "platform/nativewindow/nativewindows.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

Q_LOGGING_CATEGORY(lcEfp, "tessaly.components.efp", QtWarningMsg)

namespace {

BSTR toBstr(const QString &text)
{
    return sysAllocStringLen(reinterpret_cast<const char16_t *>(text.utf16()),
                             quint32(text.size()));
}

const char16_t *utf16(const QString &text)
{
    return reinterpret_cast<const char16_t *>(text.utf16());
}

// Fills the font database and makes the default font ready for this thread: the first text
// laid out pays for both otherwise.
void warmTextSystem()
{
    QFontMetricsF(QGuiApplication::font()).height();
}

} // namespace

EFPStagePlayer::EFPStagePlayer(NativeHandle stage, QQuickView *view)
    : QObject(view)
    , m_stage(stage)
    , m_view(view)
    , m_interceptor(std::make_unique<EFPUrlInterceptor>(this))
{
    QQmlEngine *engine = view->engine();
    engine->rootContext()->setContextProperty(QStringLiteral("ExternalInterface"),
                                              new EFPExternalInterface(this));
    engine->rootContext()->setContextProperty(QStringLiteral("Stage"), new EFPStageObject(this));
    engine->addUrlInterceptor(m_interceptor.get());
    // Script errors of the movie reach the host as traces instead of the process's stderr.
    engine->setOutputWarningsToStandardError(false);
    connect(engine, &QQmlEngine::warnings, this, [this](const QList<QQmlError> &warnings) {
        for (const QQmlError &warning : warnings)
            trace(warning.toString());
    });
    EFPLibrary::addPlayer(this);
}

EFPStagePlayer::~EFPStagePlayer()
{
    EFPLibrary::removePlayer(this);
    m_connected = false;
    // The movie goes before the objects it refers to.
    unloadMovie();
    if (m_view)
        m_view->engine()->removeUrlInterceptor(m_interceptor.get());
}

void EFPStagePlayer::changeAttributes(int32_t set, int32_t clear)
{
    m_attributes = (m_attributes | set) & ~clear;
}

int32_t EFPStagePlayer::loadMovie(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        trace(QStringLiteral("movie not found: %1").arg(path));
        return EFP_E_FILE_NOT_FOUND;
    }
    return load(QUrl::fromLocalFile(info.absoluteFilePath()));
}

int32_t EFPStagePlayer::loadComponent(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        trace(QStringLiteral("component folder not found: %1").arg(folder));
        return EFP_E_FILE_NOT_FOUND;
    }
    // A component folder holds its main document as main.qml or as <folder name>.qml.
    const QStringList candidates{QStringLiteral("main.qml"), dir.dirName() + QLatin1String(".qml")};
    for (const QString &name : candidates) {
        if (QFileInfo(dir.filePath(name)).isFile())
            return load(QUrl::fromLocalFile(QFileInfo(dir.filePath(name)).absoluteFilePath()));
    }
    trace(QStringLiteral("component folder has no main document: %1").arg(folder));
    return EFP_E_FILE_NOT_FOUND;
}

int32_t EFPStagePlayer::load(const QUrl &url)
{
    if (!m_view)
        return EFP_E_NO_PLAYER;
    EFPCurrentPlayerScope scope(this);
    unloadMovie();
    m_callbacks.clear();
    m_interceptor->forget();
    QQmlEngine *engine = m_view->engine();
    // A movie file may have changed since it was played last.
    engine->clearComponentCache();
    m_movieUrl = url;

    // The engine's loader thread reads the movie and its imports while this thread fills the
    // font database the movie's first text would otherwise stop for; asking for the same movie
    // synchronously then waits only for what the loader has left to do.
    const QQmlComponent compiling(engine, url, QQmlComponent::Asynchronous);
    warmTextSystem();
    auto *component = new QQmlComponent(engine, url, QQmlComponent::PreferSynchronous, m_view);
    if (component->isLoading()) {
        trace(QStringLiteral("movie needs resources that are not local: %1").arg(url.toString()));
        delete component;
        return EFP_E_MOVIE_ERROR;
    }
    if (component->isError()) {
        for (const QQmlError &error : component->errors())
            trace(error.toString());
        delete component;
        return EFP_E_MOVIE_ERROR;
    }
    QObject *object = component->create(engine->rootContext());
    auto *root = qobject_cast<QQuickItem *>(object);
    if (!root) {
        for (const QQmlError &error : component->errors())
            trace(error.toString());
        if (object)
            trace(QStringLiteral("movie root is not an item: %1").arg(url.toString()));
        delete object;
        delete component;
        return EFP_E_MOVIE_ERROR;
    }
    // The size the movie asks for: the root's own width and height, else its implicit size;
    // read before the view fits the root to the stage.
    const int width = qRound(root->width() > 0 ? root->width() : root->implicitWidth());
    const int height = qRound(root->height() > 0 ? root->height() : root->implicitHeight());
    m_view->setContent(url, component, root);
    m_component = component;
    requestSize(width, height);
    return EFP_OK;
}

void EFPStagePlayer::unloadMovie()
{
    if (!m_view)
        return;
    delete m_view->rootObject();
    delete m_component.data();
}

int32_t EFPStagePlayer::callExternalInterface(const QString &request, BSTR *result)
{
    if (!m_view)
        return EFP_E_NO_PLAYER;
    const std::optional<EFPInvokeCodec::Call> call =
        EFPInvokeCodec::decodeCall(m_view->engine(), request);
    if (!call) {
        trace(QStringLiteral("malformed call of the host: %1").arg(request));
        return EFP_E_BAD_REQUEST;
    }
    const auto it = m_callbacks.constFind(call->name);
    if (it == m_callbacks.cend())
        return EFP_E_NO_CALLBACK;
    const QJSValue function = *it;
    QJSValue value;
    {
        EFPCurrentPlayerScope scope(this);
        value = function.call(call->arguments);
    }
    if (value.isError()) {
        trace(QStringLiteral("%1: %2").arg(call->name, value.toString()));
        return EFP_E_SCRIPT_ERROR;
    }
    if (result)
        *result = toBstr(EFPInvokeCodec::encodeValue(value));
    return EFP_OK;
}

QJSValue EFPStagePlayer::callHost(const QString &name, const QJSValueList &arguments)
{
    if (!m_connected || !hasAttribute(EFP_ATTRIBUTE_HOST_CALLS) || !m_view)
        return QJSValue();
    const QString request = EFPInvokeCodec::encodeCall(name, arguments);
    EFPAppFunctionRecord record{0, utf16(request), nullptr};
    QPointer<EFPStagePlayer> self(this);
    sendRequest(EFPLibrary::messages().appFunction, 0, reinterpret_cast<qintptr>(&record));
    QJSValue value;
    if (record.result) {
        const QString reply =
            QString::fromUtf16(record.result, qsizetype(sysStringLen(record.result)));
        sysFreeString(record.result);
        // The host may have torn the stage down while it handled the call.
        if (self && m_view)
            value = EFPInvokeCodec::decodeValue(m_view->engine(), reply);
    }
    return value;
}

bool EFPStagePlayer::addCallback(const QString &name, const QJSValue &function)
{
    if (name.isEmpty() || !function.isCallable())
        return false;
    m_callbacks.insert(name, function);
    return true;
}

void EFPStagePlayer::trace(const QString &text)
{
    qCDebug(lcEfp).noquote() << m_movieUrl.fileName() << text;
    if (!m_connected || !hasAttribute(EFP_ATTRIBUTE_TRACES))
        return;
    sendRequest(EFPLibrary::messages().trace, 0, reinterpret_cast<qintptr>(utf16(text)));
}

std::optional<QByteArray> EFPStagePlayer::requestUrl(const QUrl &url)
{
    if (!m_connected || !hasAttribute(EFP_ATTRIBUTE_URL_REQUESTS))
        return std::nullopt;
    const QString text = url.toString();
    EFPStreamState *stream = EFPLibrary::openStream();
    EFPUrlRecord record{0, utf16(text), stream, 0};
    sendRequest(EFPLibrary::messages().requestUrl, 0, reinterpret_cast<qintptr>(&record));
    std::optional<QByteArray> data;
    if (record.served)
        data = stream->data;
    EFPLibrary::closeStream(stream);
    return data;
}

qintptr EFPStagePlayer::sendRequest(quint32 message, quintptr wParam, qintptr lParam)
{
    if (!m_connected)
        return 0;
    return NativeWindows::sendMessage(m_stage, message, wParam, lParam);
}

void EFPStagePlayer::requestSize(int width, int height)
{
    EFPSizeRecord record{0, width, height};
    sendRequest(EFPLibrary::messages().requestSize, 0, reinterpret_cast<qintptr>(&record));
}

EFPLocalChannel *EFPStagePlayer::channel(const QString &name)
{
    EFPLocalChannel *&channel = m_channels[name];
    if (!channel) {
        channel = new EFPLocalChannel(name, this);
        QQmlEngine::setObjectOwnership(channel, QQmlEngine::CppOwnership);
    } else {
        channel->join();
    }
    return channel;
}

void EFPStagePlayer::disconnect()
{
    if (!m_connected)
        return;
    sendRequest(EFPLibrary::messages().disconnected);
    m_connected = false;
}
