#include "source/launchercontext.h"

namespace {

struct Context
{
    LauncherWindow::LauncherApp *application = nullptr;
    WelcomeWidget *welcome = nullptr;
    QWidget *mainWindow = nullptr;
    bool subLaunched = false;
};

Context &context()
{
    static Context instance;
    return instance;
}

} // namespace

LauncherWindow::LauncherApp *LauncherContext::application()
{
    return context().application;
}

void LauncherContext::setApplication(LauncherWindow::LauncherApp *app)
{
    context().application = app;
}

WelcomeWidget *LauncherContext::welcomeWidget()
{
    return context().welcome;
}

void LauncherContext::setWelcomeWidget(WelcomeWidget *widget)
{
    context().welcome = widget;
}

QWidget *LauncherContext::mainWindow()
{
    return context().mainWindow;
}

void LauncherContext::setMainWindow(QWidget *window)
{
    context().mainWindow = window;
}

bool LauncherContext::subLaunched()
{
    return context().subLaunched;
}

void LauncherContext::setSubLaunched(bool value)
{
    context().subLaunched = value;
}
