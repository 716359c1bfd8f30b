#pragma once

#include "source/ptlabel.h"

#include <QString>

// An image button on a PtLabel: normal, pressed and hover images from the launcher image store,
// with an optional text to the left of the image. A left release inside emits signalClicked()
// only. Without a hover image (index -1) the button never shows a hover state.
class LauncherStateButton : public PtLabel
{
public:
    enum State { Normal = 0, Pressed = 1, Hover = 2 };

    LauncherStateButton(QWidget *parent, int normalImage, int pressedImage, int hoverImage = -1);

    void setImages(int normalImage, int pressedImage, int hoverImage = -1);
    void setText(const QString &text);
    // Shows the hover image when the button is at rest; other states are left alone.
    void setHover();

    int state() const { return m_state; }
    bool hoverEnabled() const { return m_hoverEnabled; }
    QString text() const { return m_text; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setState(int state);

    int m_state = Normal;
    int m_hoverImage = -1;
    int m_pressedImage = -1;
    int m_normalImage = -1;
    bool m_hoverEnabled = false;
    QString m_text;
    int m_textWidth = 0;
    int m_imageWidth = 0;
};
