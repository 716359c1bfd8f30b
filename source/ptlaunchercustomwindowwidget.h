#pragma once

#include "source/ptcustomwindowbase.h"

#include <QDialog>
#include <QPoint>

class BottomWidget;
class QHBoxLayout;
class TitleWidget;

// The launcher's main window: frameless, without chrome of its own, showing the Welcome content
// edge to edge. While centreOnResize is set, every resize centres it on the screen's work area.
class PtLauncherCustomWindowWidget : public QDialog, public PtCustomWindowBase
{
    Q_OBJECT
public:
    PtLauncherCustomWindowWidget(int startupApplication, bool modal, QWidget *parent,
                                 const char *objectName, bool customWindowFlag = false,
                                 int iconIndex = 0);

    int startupApplication() const { return m_startupApplication; }
    QWidget *welcomeWidget() const { return m_welcomeWidget; }

    // The top-left corner that centres a window of the given size on the work area, with the
    // rounding of signed integer division.
    static QPoint centredPosition(const QRect &workArea, const QSize &size);

    // Set by the Welcome content before it changes the window's size; stays set.
    bool m_centreOnResize = false;

Q_SIGNALS:
    void signalMouseDown();
    void signalMouseUp();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    int m_startupApplication;
    QHBoxLayout *m_contentRow = nullptr;
    TitleWidget *m_titleWidget = nullptr;   // the main window draws no chrome
    BottomWidget *m_bottomWidget = nullptr; // the main window draws no chrome
    QWidget *m_welcomeWidget = nullptr;
};
