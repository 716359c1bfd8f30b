#include "source/ptlabel.h"

#include <QMouseEvent>

PtLabel::PtLabel(int index, QWidget *parent, Qt::WindowFlags flags)
    : QFrame(parent, flags)
    , m_index(index)
{
}

void PtLabel::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT signalMousePress();
    Q_EMIT signalMousePress(event);
    Q_EMIT signalMousePress(m_index, event);
}

void PtLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    if (event->button() == Qt::LeftButton) {
        Q_EMIT signalClicked();
        Q_EMIT signalClicked(m_index);
        Q_EMIT signalClicked(this);
    } else if (event->button() == Qt::RightButton) {
        Q_EMIT signalRightClicked(m_index);
    }
    Q_EMIT signalMouseRelease(m_index, event);
}

void PtLabel::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::LeftButton)
        Q_EMIT signalMouseMove(m_index, event);
}

void PtLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || (event->modifiers() & Qt::ShiftModifier))
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        mousePressEvent(event);
        return;
    }
    Q_EMIT signalMouseDoubleClicked(m_index);
    Q_EMIT signalMouseDoubleClicked(m_index, event);
}
