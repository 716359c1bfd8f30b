#pragma once

class QWidget;
namespace LauncherWindow {
class LauncherApp;
}
class WelcomeWidget;

// Process-wide state the start-up sequence sets and the windows read.
class LauncherContext
{
public:
    static LauncherWindow::LauncherApp *application();
    static void setApplication(LauncherWindow::LauncherApp *app);

    static WelcomeWidget *welcomeWidget();
    static void setWelcomeWidget(WelcomeWidget *widget);

    static QWidget *mainWindow();
    static void setMainWindow(QWidget *window);

    // True once start-up handed a script to a sub-application (also when the send failed);
    // the main window then stays hidden.
    static bool subLaunched();
    static void setSubLaunched(bool value);
};
