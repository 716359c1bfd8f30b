#include "source/ptlaunchercustomwindowwidget.h"

#include "locale/zstring.h"
#include "source/launchercontext.h"
#include "source/launcherimagestore.h"
#include "source/welcomewidget.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>

PtLauncherCustomWindowWidget::PtLauncherCustomWindowWidget(int startupApplication, bool modal,
                                                           QWidget *parent, const char *objectName,
                                                           bool customWindowFlag, int iconIndex)
    : QDialog(parent)
    , PtCustomWindowBase(customWindowFlag)
    , m_startupApplication(startupApplication)
{
    setWindowFlags(Qt::FramelessWindowHint);
    setObjectName(QString::fromLatin1(objectName));
    setModal(modal);
    // The X11 window icon comes from the window icon alone; there is no separate big icon.
    setWindowIcon(QPixmap::fromImage(LauncherImageStore::chromeImage(iconIndex)));
    setWindowTitle(
        Locale::zstring("$$$/LauncherWindow/AppCaption=Welcome - Tessaly Pixtrel Orvana %1")
            .arg(QStringLiteral("11")));

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    m_contentRow = new QHBoxLayout;
    m_contentRow->setSpacing(0);
    m_contentRow->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_contentRow);

    auto *welcome = new WelcomeWidget(this, m_startupApplication);
    m_welcomeWidget = welcome;
    LauncherContext::setWelcomeWidget(welcome);
    m_contentRow->addWidget(m_welcomeWidget);
}

QPoint PtLauncherCustomWindowWidget::centredPosition(const QRect &workArea, const QSize &size)
{
    // Work-area corners as inclusive coordinates: right and bottom are the last pixels.
    const int left = workArea.left();
    const int top = workArea.top();
    const int right = workArea.left() + workArea.width();
    const int bottom = workArea.top() + workArea.height();
    return QPoint((left + right - 1) / 2 - (size.width() - 1) / 2,
                  (top + bottom - 1) / 2 - (size.height() - 1) / 2);
}

void PtLauncherCustomWindowWidget::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!m_centreOnResize)
        return;
    const QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (target)
        move(centredPosition(target->availableGeometry(), event->size()));
}

void PtLauncherCustomWindowWidget::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    // The launcher has nothing left to do once its window is closed. Waiting for Qt to notice the
    // last window went is not enough: a movie stage or a worker that is still around can keep
    // the event loop alive with no window on screen.
    if (event->isAccepted())
        QCoreApplication::quit();
}
