#pragma once

#include "source/subapplication.h"

#include <QLabel>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class PtLauncherCustomWindowWidget;
class QFile;
class QProcess;
class QTimer;
class WelcomeGlintContainer;

// The Welcome Screen: the content of the launcher's main window. It plays the container movie
// "WelcomeScreenContainer.swf", answers the host functions the movie calls (26 callbacks), feeds
// the movie its texts and settings once both the container and the pod movie have reported,
// moves the frameless window by the movie's dragger, stores the start-up choice, shows the pod
// movie "PodPlayer.swf" over the rectangle the container names, and opens the sub-applications:
// an application that runs is started once more and the window closes at once; one that does not
// run gets a script through the messaging component, the movie shows the launching state, and
// the window closes when the application reports that it has come up.
//
// Every call into the movie goes through the container player; the main window is the widget's
// top-level window.
class WelcomeWidget : public QLabel
{
    Q_OBJECT
public:
    // The container's movie functions and the slots that answer them, registered in this order
    // once the container movie has loaded; the last four (the pod block) once the pod movie is
    // known to be there, before it loads after the first frame.
    struct Callback
    {
        const char *function;
        const char *slot;
    };
    static const QList<Callback> &containerCallbacks();
    static const QList<Callback> &podCallbacks();

    WelcomeWidget(QWidget *parent, int startupApplication);
    ~WelcomeWidget() override;

    // A status text of a sub-application, "<first>:<second>" ("organizer:Reading catalog",
    // "launched_editor:ok", "force_quit_welcome_screen:"); a text without exactly one colon is
    // ignored.
    void handleSubAppStatus(const QString &body);

    // Carries out a Welcome action (WelcomeAction::Number); a failed send shows the addressed
    // application's re-install box.
    void performAction(int number);

    // Opens a web page in the user's browser; false, and the browser error box when asked for,
    // when the desktop refused it. Only http and https addresses are opened.
    static bool openUrl(QWidget *parent, const QString &url, bool showError);

    // The usage events of a "dumpQuillonLog" text: entries joined by "##", each "category:name"
    // (further parts ignored); an entry without a colon carries none.
    static QList<std::pair<QString, QString>> usageLogEntries(const QString &text);

    // Runs the task once the container movie's first frame is on screen, or at once (queued)
    // when it already is: work the first frame does not need waits here. Tasks run in the order
    // given, before the widget's own deferred work (the pod movie, the content download), so a
    // task may bring up what the movie set-up relies on. A Welcome Screen that is not shown (a
    // sub-launched start) runs them on the next turn of the event loop.
    void runAfterFirstFrame(std::function<void()> task);
    bool isFirstFrameShown() const { return m_firstFrameShown; }

    // Whether the Organizer's catalogue is synchronised (one of its sync-catalog paths is set).
    static bool hasSyncCatalog();

    WelcomeGlintContainer *containerPlayer() const { return m_containerPlayer; }
    // Made once the container's first frame is on screen, when there is a pod movie to play.
    WelcomeGlintContainer *podPlayer() const { return m_podPlayer; }
    int startupApplication() const { return m_startupApplication; }
    bool isInitialised() const { return m_initialised; }
    bool isPodPlayerCreated() const { return m_podPlayerCreated; }
    bool isMovieSetUpDone() const { return m_movieSetUpDone; }
    int draggerHeight() const { return m_draggerHeight; }
    QRect closeBox() const { return m_closeBox; }
    QRect podRect() const { return m_podRect; }
    bool isPodGeometrySet() const { return m_podGeometrySet; }
    QString currentPodFileName() const { return m_currentPodFileName; }
    bool organizerLaunching() const { return m_organizerLaunching; }
    bool editorLaunching() const { return m_editorLaunching; }
    bool launchPending() const { return m_launchPending; }
    bool draggedWhileLaunching() const { return m_draggedWhileLaunching; }
    int editorPollTimer() const { return m_editorPollTimer; }
    int organizerPollTimer() const { return m_organizerPollTimer; }
    bool isApiLogOn() const { return m_apiLogOn; }
    bool isDragging() const;

public Q_SLOTS:
    // Container block.
    void slotGlintInit(bool app, int windowDraggerHeight, int closeBoxLeft, int closeBoxTop,
                       int closeBoxRight, int closeBoxBottom);
    void slotShowWindow(bool success);
    void slotGlintRequestAppClose();
    void slotWelcomeScreen_SetPodGeometry(int x, int y, int width, int height);
    void slotDynamicPodContainer_initModel(const QString &modelData);
    void slotWelcomeScreenHost_showPod(bool bShow);
    void slotGlintMouseDownEvent();
    void slotGlintMouseUpEvent();
    void slotGlintMouseMoveEvent(int globalX, int globalY);
    void slotGlintUpdateStartupApp(int startupApp);
    void slotGlintRequestOrganizer();
    void slotGlintRequestEditor();
    void slotGlintRequestCreate();
    void slotGlintRequestSharing();
    void slotGlintRequestBackupSettings();
    void slotInvokeAction(const QString &action);
    void slotGlintRequestSafeToQuit();
    void slotSetQuickLaunchApp(int appStr);
    void slotWelcomeScreenSetHiddenByAlert();
    void slotResizePlayer(int height);
    void slotOpenSettingsDialog();
    void slotDumpQuillonLog(const QString &text);
    // Pod block.
    void slotPodPlayer_resize(int width, int height);
    void slotPodPlayer_Created();
    void slotPodEventDispatched(const QString &type, const QString &otherData);
    void slotSetCurrentDynamicPodFileName(const QString &podFileName);

    // Timers and posted calls.
    void TimeOut();
    void slotShowMissingFilesAlert();
    void slotShowMissingFilesAlertAndQuit();
    void slotQuitOnTidingsNoReply();
    void slotPollOrganizer();
    void slotPollEditor();

protected:
    void timerEvent(QTimerEvent *event) override;

private Q_SLOTS:
    void stageRendered();
    void firstFrameShown();

private:
    bool loadWelcomeMovie(WelcomeGlintContainer *player, const QString &fileName);
    static QString welcomeMoviePath(const QString &fileName);
    void watchFirstFrame();
    void openApiLog();
    void writeApiLog(const QString &text);
    void registerCallbacks(const QList<Callback> &callbacks);
    void failMissingMovie();
    // The pod movie's player, placed and shown as the container has asked meanwhile.
    void createPodPlayer(const QString &movie);
    void runMovieSetUp();
    int nextLaunchNumber();
    QString callMovie(const QByteArray &function, const QList<QVariant> &arguments = {});
    void startRunningApplication(SubApplication::Id id);
    void setLaunching(SubApplication::Id id, bool launching);
    void applyClosingRule();
    void reportPodView();
    void closeMainWindow();
    void bringMainWindowToFront();
    PtLauncherCustomWindowWidget *mainWindow() const;

    WelcomeGlintContainer *m_containerPlayer = nullptr;
    WelcomeGlintContainer *m_podPlayer = nullptr;
    QTimer *m_dragTimer = nullptr;
    bool m_initialised = false;
    bool m_podPlayerCreated = false;
    bool m_membershipOff = true;
    int m_draggerHeight = 0;
    QRect m_closeBox{QPoint(0, 0), QPoint(-1, -1)};
    int m_startupApplication = 0;
    QPoint m_dragStartCursor;
    QPoint m_dragStartWindow;
    QString m_currentPodFileName;
    bool m_organizerLaunching = false;
    bool m_editorLaunching = false;
    bool m_draggedWhileLaunching = false;
    bool m_launchPending = false;
    QRect m_podRect;
    std::unique_ptr<QFile> m_apiLogFile;
    bool m_apiLogOn = false;
    bool m_podGeometrySet = false;
    // Whether the pod area is to be seen: placed, and not hidden since.
    bool m_podShown = false;
    int m_organizerPollTimer = 0;
    int m_editorPollTimer = 0;
    bool m_movieSetUpDone = false;
    bool m_firstFrameShown = false;
    std::vector<std::function<void()>> m_afterFirstFrame;
    std::vector<std::function<void()>> m_ownAfterFirstFrame;
};
