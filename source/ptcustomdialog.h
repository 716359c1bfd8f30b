#pragma once

#include "source/ptcustomwindowbase.h"

#include <QDialog>

class BottomWidget;
class QVBoxLayout;
class SideWidget;
class TitleWidget;

// The launcher's frameless dialog: a caption bar, left and right edges and a bottom edge drawn
// from the chrome images around a content area. Subclasses put their panel into the content
// layout.
class PtCustomDialog : public QDialog, public PtCustomWindowBase
{
    Q_OBJECT
public:
    PtCustomDialog(bool modal, QWidget *parent, const char *objectName, bool customWindowFlag,
                   bool deleteOnClose, bool noCloseButton);

    QWidget *contentWidget() const { return m_contentWidget; }
    QVBoxLayout *contentLayout() const { return m_contentLayout; }
    void addContentWidget(QWidget *widget);

    TitleWidget *titleWidget() const { return m_titleWidget; }
    BottomWidget *bottomWidget() const { return m_bottomWidget; }
    SideWidget *leftWidget() const { return m_leftWidget; }
    SideWidget *rightWidget() const { return m_rightWidget; }

public Q_SLOTS:
    virtual void slotShowMaximized();
    virtual void slotShowNormal();
    virtual void slotClearMask();
    // The chrome is rectangular, so there is nothing to mask.
    virtual void slotApplyMask();

Q_SIGNALS:
    void signalMoved();
    void signalResized();
    void signalMouseDown();
    void signalMouseUp();
    void signalTitleBarDoubleClicked();

private Q_SLOTS:
    void slotChildMouseDown();
    void slotChildMouseUp();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    bool m_noChrome = false;
    QWidget *m_contentWidget = nullptr;
    QVBoxLayout *m_contentLayout = nullptr;
    TitleWidget *m_titleWidget = nullptr;
    BottomWidget *m_bottomWidget = nullptr;
    SideWidget *m_leftWidget = nullptr;
    SideWidget *m_rightWidget = nullptr;
};
