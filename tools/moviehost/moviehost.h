#pragma once

#include "shared/glint/qtglintplayer.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QWidget>

class QTimer;

// What the host feeds the Welcome Screen movie: the English texts a launcher without a
// dictionary sends, and the values of its set-up sequence.
struct MovieHostSettings
{
    QString assetsFolder = QStringLiteral(TESSALY_SOURCE_DIR "/assets/common");
    // The folder listed in the dynamic-content file list.
    QString podsFolder = QStringLiteral(TESSALY_SOURCE_DIR "/assets/pods/");
    QString lastShownPod;
    QString localeCode = QStringLiteral("en_us");
    QString versionText = QStringLiteral("Version 11.0.0.0");
    int startupApp = 0;
    int launchNumber = 5;
    bool membershipOff = true;
    // Requests enter the launching state and report a few status texts, like a real start.
    bool simulateLaunches = false;
};

// A frameless window that hosts the container movie and the pod movie the way the Welcome
// widget does: the container in a layout, the pod player over the rectangle the container
// names, every movie callback registered on the container player and recorded, and the movie
// set-up sequence played once both the container and the pod player have reported.
//
//   MovieHost host(settings);
//   host.load();
//   host.calls();     // "WelcomeScreen_ContainerInitialized(true, 40, 822, 6, 852, 34)", ...
//   host.setLaunching(MovieHost::Organizer, true);
class MovieHost : public QWidget
{
    Q_OBJECT
public:
    enum Application { Organizer = 1, Editor = 2 };

    explicit MovieHost(const MovieHostSettings &settings, QWidget *parent = nullptr);
    ~MovieHost() override;

    // Loads both movies from the "Required" folder; false when one of them is missing.
    bool load();

    QtGlintPlayer *container() const { return m_container; }
    QtGlintPlayer *podPlayer() const { return m_podPlayer; }
    // Every call the movies made, as "name(arguments)", in order.
    const QStringList &calls() const { return m_calls; }
    // Every movie function the host called, the same way.
    const QStringList &movieCalls() const { return m_movieCalls; }
    void clearCalls() { m_calls.clear(); }
    bool setUpDone() const { return m_setUpDone; }
    QRect podRect() const { return m_podRect; }
    QRect closeBox() const { return m_closeBox; }
    int draggerHeight() const { return m_draggerHeight; }

    // The dynamic-content list of the pods folder.
    QString dynamicContentXml() const;
    QString callMovie(const QByteArray &name, const QVariantList &arguments = {});
    void setLaunching(Application application, bool launching);
    void showSplashStatus(Application application, const QString &text);
    void hideByAlert();

signals:
    void called(const QString &call);
    void closeRequested();

public slots:
    void slotGlintInit(bool app, int windowDraggerHeight, int closeBoxLeft, int closeBoxTop,
                       int closeBoxRight, int closeBoxBottom);
    void slotShowWindow(bool success);
    void slotGlintRequestAppClose();
    void slotWelcomeScreen_SetPodGeometry(int x, int y, int width, int height);
    void slotDynamicPodContainer_initModel(const QString &modelData);
    void slotWelcomeScreenHost_showPod(bool show);
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
    void slotSetQuickLaunchApp(int app);
    void slotWelcomeScreenSetHiddenByAlert();
    void slotResizePlayer(int height);
    void slotOpenSettingsDialog();
    void slotDumpQuillonLog(const QString &text);
    void slotPodPlayer_resize(int width, int height);
    void slotPodPlayer_Created();
    void slotPodEventDispatched(const QString &type, const QString &otherData);
    void slotSetCurrentDynamicPodFileName(const QString &podFileName);

private slots:
    void dragTick();

private:
    void record(const QString &name, const QVariantList &arguments = {});
    void runSetUp();
    void requestClose();
    void simulateLaunch(Application application);

    MovieHostSettings m_settings;
    QtGlintPlayer *m_container = nullptr;
    QtGlintPlayer *m_podPlayer = nullptr;
    QTimer *m_dragTimer = nullptr;
    QStringList m_calls;
    QStringList m_movieCalls;
    bool m_initialised = false;
    bool m_podPlayerCreated = false;
    bool m_setUpDone = false;
    bool m_podGeometrySet = false;
    bool m_launching = false;
    int m_draggerHeight = 0;
    QRect m_closeBox{QPoint(0, 0), QPoint(-1, -1)};
    QRect m_podRect;
    QPoint m_dragStartCursor;
    QPoint m_dragStartWindow;
};
