#include "shared/glint/qtglintplayer.h"

#include "platform/nativewindow/nativewindows.h"
#include "shared/glint/efpunicode.h"
#include "shared/glint/qtefpglintparser.h"
#include "shared/glint/qtefpglintwriter.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QWindow>

#include <cstdlib>
#include <stdexcept>

Q_DECLARE_LOGGING_CATEGORY(lcGlint)

// The host's own addresses that movies load resources from.
const QLatin1String QtGlintPlayer::kMarkerStorageUrl("https://glint.tessaly.com/markerstorage/");
const QLatin1String QtGlintPlayer::kBlankMapUrl("https://glint.tessaly.com/maps/blank.html");

QtGlintPlayer::QtGlintPlayer(QWidget *parent, Qt::WindowFlags flags, int)
    : QWidget(parent, flags)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setObjectName(QStringLiteral("EFPGlintPlayer"));
    createStage(topLevelHandle(this), x(), y(), width(), height());
}

QtGlintPlayer::~QtGlintPlayer() = default;

NativeHandle QtGlintPlayer::topLevelHandle(QWidget *widget)
{
    QWidget *top = widget->window();
    // Makes the top-level window native (not shown) so the stage has a window to live in.
    top->winId();
    return NativeWindows::handleForWindow(top->windowHandle());
}

void QtGlintPlayer::AddCallback(const QString &name, QObject *receiver, const QString &slot,
                                const QVariant &returnTemplate)
{
    for (auto it = m_callbacks.find(name); it != m_callbacks.end() && it.key() == name; ++it) {
        if (it->receiver == receiver && it->slot == slot) {
            it->enabled = true;
            return;
        }
    }
    m_callbacks.insert(name, CallbackEntry{receiver, slot, returnTemplate, true});
}

void QtGlintPlayer::RemoveCallback(const QString &name, QObject *receiver, const QString &slot)
{
    for (auto it = m_callbacks.find(name); it != m_callbacks.end() && it.key() == name; ++it) {
        if (it->receiver == receiver && it->slot == slot)
            it->enabled = false;
    }
}

QString QtGlintPlayer::CallFunction(const QByteArray &name, const QList<QVariant> *arguments)
{
    const QString document = QtEFPGlintWriter::invokeDocument(QString::fromUtf8(name), arguments);
    char *reply = nullptr;
    try {
        callExternalInterface(document.toUtf8().constData(), &reply);
    } catch (const std::runtime_error &error) {
        // The movie answered with text that does not convert; the caller gets no reply.
        qCWarning(lcGlint) << "reply of" << name << "dropped:" << error.what();
        return QString();
    }
    const QString text = reply ? QString::fromUtf8(reply) : QString();
    std::free(reply);
    return text;
}

int QtGlintPlayer::Load(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const QByteArray utf8 = native.toUtf8();
    if (QFileInfo(native).isDir())
        return loadComponent(utf8.constData());
    return loadMovie(utf8.constData());
}

QSize QtGlintPlayer::requestedSize() const
{
    return QSize(m_requestedWidth, m_requestedHeight);
}

void QtGlintPlayer::provideUrlData(const QString &, QByteArray &) {}

void QtGlintPlayer::placeStage()
{
    if (parentWidget() && window()) {
        const QPoint pos = mapTo(window(), QPoint(0, 0));
        moveStage(pos.x(), pos.y(), width(), height());
    } else if (isWindow()) {
        // A player that is a window of its own: the stage fills it.
        moveStage(0, 0, width(), height());
    }
}

bool QtGlintPlayer::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        placeStage();
        break;
    case QEvent::Show:
        placeStage();
        setStageVisible(true);
        break;
    case QEvent::Hide:
        setStageVisible(false);
        break;
    case QEvent::ParentAboutToChange:
        reparentStage(0, 0, 0, width(), height());
        break;
    case QEvent::ParentChange:
        if (parentWidget() && window()) {
            const QPoint pos = mapTo(window(), QPoint(0, 0));
            reparentStage(topLevelHandle(this), pos.x(), pos.y(), width(), height());
        } else {
            reparentStage(topLevelHandle(this), 0, 0, width(), height());
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void QtGlintPlayer::resizeEvent(QResizeEvent *) {}

void QtGlintPlayer::CallAppFunction(std::string &result, const std::string &request)
{
    result.clear();
    if (m_trace)
        qCDebug(lcGlint, "QtEFPGlintPlayer::CallAppFunction: %s", request.c_str());

    QtEFPGlintParser parser;
    parser.parse(QByteArray::fromStdString(request));
    if (!parser.ok())
        return;
    const QString name = parser.functionName();
    QList<QGenericArgument> args = parser.arguments();
    while (args.size() < 10)
        args.append(QGenericArgument());

    auto entry = m_callbacks.end();
    for (auto it = m_callbacks.find(name); it != m_callbacks.end() && it.key() == name; ++it) {
        if (it->enabled && it->receiver) {
            entry = it;
            break;
        }
    }
    if (entry == m_callbacks.end())
        return;

    const QByteArray slot = entry->slot.toLatin1();
    QObject *receiver = entry->receiver;
    if (!entry->returnTemplate.isValid()) {
        QMetaObject::invokeMethod(receiver, slot.constData(), Qt::DirectConnection, args[0],
                                  args[1], args[2], args[3], args[4], args[5], args[6], args[7],
                                  args[8], args[9]);
        return;
    }
    QVariant &stored = entry->returnTemplate;
    const char *typeName = nullptr;
    switch (stored.typeId()) {
    case QMetaType::Bool:
        typeName = "bool";
        break;
    case QMetaType::Int:
        typeName = "int";
        break;
    case QMetaType::QString:
        typeName = "QString";
        break;
    default:
        qCWarning(lcGlint) << "callback" << name << "has a return template of an unusable type";
        return;
    }
    // The slot writes into the entry's stored value, which is then the reply.
    QMetaObject::invokeMethod(receiver, slot.constData(), Qt::DirectConnection,
                              QGenericReturnArgument(typeName, stored.data()), args[0], args[1],
                              args[2], args[3], args[4], args[5], args[6], args[7], args[8],
                              args[9]);
    result = QtEFPGlintWriter::encodeValue(stored).toUtf8().toStdString();
}

void QtGlintPlayer::onRequestSize(int width, int height)
{
    m_requestedWidth = width;
    m_requestedHeight = height;
    resize(width, height);
    EFPGlintPlayer::onRequestSize(width, height);
}

qintptr QtGlintPlayer::onGetProperty(EFPPropertyRecord *record)
{
    QWidget *top = window();
    switch (record->id) {
    case 0:
        record->values[0] = isActiveWindow() ? 1 : 0;
        break;
    case 1:
        record->values[0] = top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 1 : 0;
        break;
    case 2:
        if (parentWidget() && top) {
            const QPoint pos = mapTo(top, QPoint(0, 0));
            record->values[0] = pos.x();
            record->values[1] = pos.y();
            record->values[2] = pos.x() + width();
            record->values[3] = pos.y() + height();
        }
        break;
    case 3:
        record->values[0] = top->isMaximized() ? 2 : top->isMinimized() ? 1 : 0;
        break;
    case 4:
    case 5:
        return EFPGlintPlayer::onGetProperty(record);
    case 6: {
        const QString title = windowTitle();
        record->text = sysAllocStringLen(reinterpret_cast<const char16_t *>(title.utf16()),
                                         quint32(title.size()));
        break;
    }
    case 7:
        record->values[0] = isVisible() ? 1 : 0;
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

void QtGlintPlayer::onHitTest(quintptr, qintptr) {}

void QtGlintPlayer::onRequestUrl(EFPUrlRecord *record)
{
    const QString url = QString::fromUtf16(record->url ? record->url : u"");
    QString name;
    if (url.contains(kMarkerStorageUrl, Qt::CaseInsensitive)) {
        name = url;
        name.remove(kMarkerStorageUrl);
    } else if (url.contains(kBlankMapUrl, Qt::CaseInsensitive)) {
        name = QStringLiteral("google maps script");
    }
    if (name.isEmpty()) {
        record->served = 0;
        return;
    }
    QByteArray data;
    provideUrlData(name, data);
    EFPStreamWrite(record->stream, data.constData(), int32_t(data.size()));
    EFPStreamClose(record->stream, 1);
    record->served = 1;
}
