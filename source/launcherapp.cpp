#include "source/launcherapp.h"

#include "tessaly_version.h"

#include <QTimerEvent>

#include <exception>

namespace LauncherWindow {

namespace {

LauncherApp::Pump &pump()
{
    static LauncherApp::Pump instance;
    return instance;
}

std::vector<std::function<void()>> &deferredDestructions()
{
    static std::vector<std::function<void()>> list;
    return list;
}

} // namespace

LauncherApp::LauncherApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("PixtrelOrvana"));
    setApplicationVersion(QStringLiteral(TESSALY_VERSION_STRING));
    setOrganizationName(QStringLiteral("Tessaly"));
}

LauncherApp::~LauncherApp()
{
    if (m_timerId != 0) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    auto &list = deferredDestructions();
    while (!list.empty()) {
        auto destruction = std::move(list.back());
        list.pop_back();
        destruction();
    }
}

QString LauncherApp::instanceName() const
{
    return QStringLiteral("pxolauncher") +
           QStringLiteral("%1.%2").arg(TESSALY_VERSION_MAJOR).arg(TESSALY_VERSION_MINOR);
}

int LauncherApp::startMessagingTimer()
{
    if (m_timerId == 0)
        m_timerId = startTimer(500);
    return m_timerId;
}

void LauncherApp::setMessagingPump(Pump newPump)
{
    pump() = std::move(newPump);
}

void LauncherApp::addDeferredDestruction(std::function<void()> destruction)
{
    deferredDestructions().push_back(std::move(destruction));
}

void LauncherApp::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId || m_timerId == 0)
        return;
    if (!pump())
        return;
    // A failing pump must not take the event loop down; the next tick tries again.
    try {
        pump()();
    } catch (...) {
    }
}

} // namespace LauncherWindow
