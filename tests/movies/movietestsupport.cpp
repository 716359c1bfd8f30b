#include "tests/movies/movietestsupport.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QMutex errorsMutex;
QStringList &errors()
{
    static QStringList list;
    return list;
}
QtMessageHandler previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    static const QString faults[] = {QStringLiteral("Error"),        QStringLiteral("error"),
                                     QStringLiteral("Cannot"),       QStringLiteral("not defined"),
                                     QStringLiteral("Unable"),       QStringLiteral("disabled"),
                                     QStringLiteral("non-existent"), QStringLiteral("undefined")};
    const bool fromMovie =
        QLatin1String(context.category) == QLatin1String("tessaly.components.efp") ||
        QLatin1String(context.category) == QLatin1String("qml") ||
        QLatin1String(context.category) == QLatin1String("js") ||
        QLatin1String(context.category) == QLatin1String("default");
    if (fromMovie && (type != QtDebugMsg || text.contains(QLatin1String("file://")))) {
        for (const QString &fault : faults) {
            if (text.contains(fault)) {
                QMutexLocker lock(&errorsMutex);
                errors() << text;
                break;
            }
        }
    }
    if (previousHandler)
        previousHandler(type, context, text);
}

// Items a Repeater creates are not QObject children of the scene, so walk the item tree.
QQuickItem *findItem(QQuickItem *item, const QString &name)
{
    if (item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

QQuickWindow *windowWith(const QString &name)
{
    for (QWindow *window : QGuiApplication::allWindows()) {
        auto *quick = qobject_cast<QQuickWindow *>(window);
        if (quick && findItem(quick->contentItem(), name))
            return quick;
    }
    return nullptr;
}

} // namespace

MovieFixture::MovieFixture(const MovieHostSettings &settings)
    : m_host(std::make_unique<MovieHost>(settings))
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        // The engine's traces come through this category; faults must be seen.
        QLoggingCategory::setFilterRules(QStringLiteral("tessaly.components.efp.debug=true"));
        previousHandler = qInstallMessageHandler(recordMessage);
    }
    m_host->move(0, 0);
}

MovieFixture::~MovieFixture() = default;

bool MovieFixture::start()
{
    if (!m_host->load())
        return false;
    if (!waitFor([this] { return m_host->setUpDone() && m_host->isVisible(); }))
        return false;
    if (!waitFor([this] { return containerWindow() && containerWindow()->isExposed(); }))
        return false;
    // The pod list is read asynchronously; wait until the pod movie has answered.
    waitFor([this] {
        for (const QString &call : m_host->calls()) {
            if (call.startsWith(QLatin1String("WelcomeScreenHost_showPod")))
                return true;
        }
        return false;
    });
    QTest::qWait(100);
    return true;
}

QQuickWindow *MovieFixture::containerWindow() const
{
    return windowWith(QStringLiteral("organizerTile"));
}

QQuickWindow *MovieFixture::podWindow() const
{
    return windowWith(QStringLiteral("podCardA"));
}

QQuickItem *MovieFixture::item(const QString &name) const
{
    QQuickWindow *window = containerWindow();
    return window ? findItem(window->contentItem(), name) : nullptr;
}

QQuickItem *MovieFixture::podItem(const QString &name) const
{
    QQuickWindow *window = podWindow();
    return window ? findItem(window->contentItem(), name) : nullptr;
}

void MovieFixture::click(QQuickItem *target)
{
    if (!target) {
        ADD_FAILURE() << "no such item to click";
        return;
    }
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseMove(target->window(), centre.toPoint());
    QTest::mouseClick(target->window(), Qt::LeftButton, {}, centre.toPoint());
    QCoreApplication::processEvents();
}

void MovieFixture::pressKey(QQuickWindow *window, Qt::Key key)
{
    QTest::keyClick(window, key);
    QCoreApplication::processEvents();
}

bool MovieFixture::tabTo(QQuickItem *target)
{
    // Keyboard focus needs the movie's window to be the active one.
    target->window()->requestActivate();
    if (!QTest::qWaitForWindowActive(target->window()))
        return false;
    for (int i = 0; i < 40; ++i) {
        if (target->hasActiveFocus())
            return true;
        pressKey(target->window(), Qt::Key_Tab);
    }
    return target->hasActiveFocus();
}

bool MovieFixture::waitForCall(const QString &call, int milliseconds)
{
    return waitFor([&] { return hasCall(call); }, milliseconds);
}

QStringList MovieFixture::movieErrors()
{
    QMutexLocker lock(&errorsMutex);
    return errors();
}

void MovieFixture::clearMovieErrors()
{
    QMutexLocker lock(&errorsMutex);
    errors().clear();
}

QImage grabScreen(const QString &file)
{
    QProcess import;
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                            QStringLiteral("png24:") + file});
    if (!import.waitForFinished(20000) || import.exitCode() != 0)
        return QImage();
    return QImage(file);
}
