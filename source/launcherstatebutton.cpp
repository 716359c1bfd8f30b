#include "source/launcherstatebutton.h"

#include "source/chromedrawing.h"
#include "source/launcherimagestore.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor TextColor(230, 230, 230);
}

LauncherStateButton::LauncherStateButton(QWidget *parent, int normalImage, int pressedImage,
                                         int hoverImage)
    : PtLabel(-1, parent, {})
{
    setImages(normalImage, pressedImage, hoverImage);
    setFont(makeUiFont(8, 50));
    m_imageWidth = width();
}

void LauncherStateButton::setImages(int normalImage, int pressedImage, int hoverImage)
{
    m_normalImage = normalImage;
    m_pressedImage = pressedImage;
    setFixedSize(LauncherImageStore::chromeImage(normalImage).size());
    if (hoverImage >= 0) {
        m_hoverImage = hoverImage;
        setMouseTracking(true);
        m_hoverEnabled = true;
    }
    if (m_state != Normal)
        setState(Normal);
}

void LauncherStateButton::setText(const QString &text)
{
    m_text = text;
    if (!m_text.isEmpty()) {
        m_textWidth = fontMetrics().horizontalAdvance(m_text) + 5;
        setFixedWidth(m_imageWidth + m_textWidth);
    } else {
        setFixedWidth(m_imageWidth);
    }
}

void LauncherStateButton::setHover()
{
    if (m_state == Normal)
        setState(Hover);
}

void LauncherStateButton::setState(int state)
{
    m_state = state;
    update();
}

void LauncherStateButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && (m_state == Normal || m_state == Hover))
        setState(Pressed);
}

void LauncherStateButton::mouseMoveEvent(QMouseEvent *event)
{
    if (rect().contains(event->position().toPoint())) {
        if (event->buttons() == Qt::LeftButton) {
            if (m_state == Normal || m_state == Hover)
                setState(Pressed);
        } else if (m_hoverEnabled && m_state == Normal) {
            setState(Hover);
        }
    } else if (m_state != Normal) {
        setState(Normal);
    }
}

void LauncherStateButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT signalClicked();
}

void LauncherStateButton::leaveEvent(QEvent *event)
{
    PtLabel::leaveEvent(event);
    if (m_hoverEnabled && m_state == Hover)
        setState(Normal);
}

void LauncherStateButton::paintEvent(QPaintEvent *)
{
    const int index = m_state == Hover     ? m_hoverImage
                      : m_state == Pressed ? m_pressedImage
                                           : m_normalImage;
    const QImage image = LauncherImageStore::chromeImage(index);
    QPainter painter(this);
    painter.drawImage(QPoint(width() - image.width(), 0), image);
    if (!m_text.isEmpty()) {
        painter.setPen(TextColor);
        painter.drawText(QPoint(0, 12), m_text);
    }
}
