#pragma once

#include <QApplication>

#include <functional>
#include <vector>

namespace LauncherWindow {

// The launcher's application object. Besides being the QApplication it pumps the messaging
// library from a 500 ms timer and runs, when it is destroyed, the process-wide list of deferred
// destructions that other parts register.
class LauncherApp : public QApplication
{
    Q_OBJECT
public:
    LauncherApp(int &argc, char **argv);
    ~LauncherApp() override;

    // "pxolauncher" + "11.0": the launcher's messaging name and instance-mutex name.
    virtual QString instanceName() const;

    // Starts the 500 ms messaging timer (once) and returns its id.
    int startMessagingTimer();
    int messagingTimerId() const { return m_timerId; }

    // Called on the GUI thread by the messaging timer; replaced by the messaging component.
    using Pump = std::function<void()>;
    static void setMessagingPump(Pump pump);

    // Runs when the application object is destroyed, after its timer is gone, newest first.
    static void addDeferredDestruction(std::function<void()> destruction);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    int m_timerId = 0;
};

} // namespace LauncherWindow
