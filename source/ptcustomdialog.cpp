#include "source/ptcustomdialog.h"

#include "locale/zstring.h"
#include "source/bottomwidget.h"
#include "source/sidewidget.h"
#include "source/titlewidget.h"

#include <QBoxLayout>
#include <QEvent>

PtCustomDialog::PtCustomDialog(bool modal, QWidget *parent, const char *objectName,
                               bool customWindowFlag, bool deleteOnClose, bool noCloseButton)
    : QDialog(parent, Qt::FramelessWindowHint)
    , PtCustomWindowBase(customWindowFlag)
{
    setObjectName(QString::fromLatin1(objectName));
    setModal(modal);
    if (deleteOnClose)
        setAttribute(Qt::WA_DeleteOnClose);

    const QString caption =
        Locale::zstring("$$$/LauncherWindow/WindowCaption=Tessaly Pixtrel Orvana %1")
            .arg(QStringLiteral("11"));

    auto *top = new QVBoxLayout(this);
    top->setSpacing(0);
    top->setContentsMargins(0, 0, 0, 0);

    m_titleWidget = new TitleWidget(caption, this, this, "dialog.title.widget", 0, noCloseButton);
    m_leftWidget = new SideWidget(this, true, this, "sideWidget");
    m_rightWidget = new SideWidget(this, false, this, "sideWidget");

    m_contentWidget = new QWidget(this);
    m_contentWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_contentLayout = new QVBoxLayout(m_contentWidget);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout->setSpacing(0);

    auto *middle = new QHBoxLayout;
    middle->setSpacing(0);
    middle->addWidget(m_leftWidget);
    middle->addWidget(m_contentWidget);
    middle->addWidget(m_rightWidget);

    m_bottomWidget = new BottomWidget(this, false, 3, this, "bottomWidget");

    top->addWidget(m_titleWidget);
    top->addLayout(middle);
    top->addWidget(m_bottomWidget);

    QPalette pal = palette();
    pal.setBrush(QPalette::All, backgroundRole(), QBrush(QColor(110, 110, 110)));
    setPalette(pal);
    setAutoFillBackground(true);
    // The caption doubles as the window title, for task bars and window lists.
    setWindowTitle(caption);
}

void PtCustomDialog::addContentWidget(QWidget *widget)
{
    m_contentLayout->addWidget(widget);
}

void PtCustomDialog::slotShowMaximized()
{
    showMaximized();
    slotClearMask();
    m_titleWidget->update();
    m_bottomWidget->update();
}

void PtCustomDialog::slotShowNormal()
{
    showNormal();
    slotApplyMask();
    m_titleWidget->update();
    m_bottomWidget->update();
}

void PtCustomDialog::slotClearMask()
{
    clearMask();
}

void PtCustomDialog::slotApplyMask() {}

void PtCustomDialog::slotChildMouseDown()
{
    Q_EMIT signalMouseDown();
}

void PtCustomDialog::slotChildMouseUp()
{
    Q_EMIT signalMouseUp();
}

void PtCustomDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        m_titleWidget->setActive(m_titleWidget->isActiveWindow());
        m_titleWidget->update();
    }
}

void PtCustomDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    slotApplyMask();
    Q_EMIT signalResized();
}

void PtCustomDialog::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    Q_EMIT signalMoved();
}

bool PtCustomDialog::nativeEvent(const QByteArray &, void *, qintptr *)
{
    return false;
}
