#pragma once

#include "source/ptcustomwidgetbase.h"

#include <QImage>
#include <QString>

class LauncherStateButton;

// The caption bar of a custom dialog: tiled background with its two corner pieces, the
// application icon (grey while the window is inactive), the caption, and a close button that
// closes the parent. Dragging it with any button but the right one alone moves the window.
class TitleWidget : public PtCustomWidgetBase
{
    Q_OBJECT
public:
    TitleWidget(const QString &caption, PtCustomWindowBase *window, QWidget *parent,
                const char *objectName, int iconIndex = -1, bool noCloseButton = false);

    void setActive(bool active);
    bool isActive() const { return m_active; }
    QString caption() const { return m_caption; }
    bool isDragging() const { return m_dragging; }
    // Null when the bar was built without a close button.
    LauncherStateButton *closeButton() const { return m_closeButton; }

    // Where the icon and the caption text start.
    static constexpr int IconX = 9;
    static constexpr int IconY = 5;
    int captionX() const { return m_iconIndex != -1 ? 30 : 9; }

protected:
    virtual void drawIcon(QPainter &painter);
    virtual void drawCaption(QPainter &painter);

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_upperLeftImage = 11;
    int m_upperRightImage = 12;
    int m_backgroundImage = 10;
    QImage m_icon;
    QImage m_inactiveIcon;
    bool m_active = true;
    QString m_caption;
    bool m_dragging = false;
    int m_windowX = 0;
    int m_windowY = 0;
    int m_pressGlobalX = 0;
    int m_pressGlobalY = 0;
    int m_iconIndex = -1;
    LauncherStateButton *m_closeButton = nullptr;
};
