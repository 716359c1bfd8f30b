#pragma once

#include <QFrame>

class QMouseEvent;

// A clickable frame that turns mouse input into signals, each carrying the label's index
// ("idx", -1 for a label without one).
//
// Press: signalMousePress(), signalMousePress(QMouseEvent*), signalMousePress(int,QMouseEvent*).
// Left release inside: the three signalClicked, then signalMouseRelease; right release inside:
// signalRightClicked, then signalMouseRelease; other buttons: signalMouseRelease only; a release
// outside emits nothing. A left double click (without Shift) emits signalMouseDoubleClicked(int)
// and then signalMouseDoubleClicked(int,QMouseEvent*); with Control it counts as a press.
class PtLabel : public QFrame
{
    Q_OBJECT
public:
    explicit PtLabel(int index = -1, QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    int index() const { return m_index; }

Q_SIGNALS:
    void signalClicked();
    void signalClicked(int idx);
    void signalClicked(PtLabel *);
    void signalRightClicked(int idx);
    void signalMousePress();
    void signalMousePress(QMouseEvent *pEvent);
    void signalMousePress(int idx, QMouseEvent *pEvent);
    void signalMouseRelease(int idx, QMouseEvent *pEvent);
    void signalMouseMove(int idx, QMouseEvent *pEvent);
    void signalMouseDoubleClicked(int idx, QMouseEvent *e);
    void signalMouseDoubleClicked(int idx);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_index;
};
