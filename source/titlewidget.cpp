#include "source/titlewidget.h"

#include "locale/zstring.h"
#include "source/chromedrawing.h"
#include "source/launcherimagestore.h"
#include "source/launcherstatebutton.h"

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>

TitleWidget::TitleWidget(const QString &caption, PtCustomWindowBase *window, QWidget *parent,
                         const char *objectName, int iconIndex, bool noCloseButton)
    : PtCustomWidgetBase(window, parent, objectName)
    , m_caption(caption)
    , m_iconIndex(iconIndex)
{
    setFixedHeight(LauncherImageStore::chromeImage(m_upperLeftImage).height());

    if (!noCloseButton) {
        m_closeButton =
            new LauncherStateButton(this, WinCloseNormal, WinClosePressed, WinCloseHover);
        m_closeButton->setObjectName(QStringLiteral("mainwindow.closebutton"));
        m_closeButton->setToolTip(Locale::zstring("$$$/PtMainWindow/Close=Close"));
        m_closeButton->setCursor(Qt::ArrowCursor);
    }

    auto *column = new QVBoxLayout;
    column->addSpacing(1);
    column->addStretch();
    if (m_closeButton)
        column->addWidget(m_closeButton);
    column->addStretch();
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch();
    row->addLayout(column);
    row->addSpacing(6);

    if (m_closeButton && parent)
        connect(m_closeButton, qOverload<>(&PtLabel::signalClicked), parent, &QWidget::close);

    if (m_iconIndex != -1) {
        m_icon = LauncherImageStore::chromeImage(m_iconIndex);
        m_inactiveIcon = makeDisabledImage(m_icon);
    }
    setMouseTracking(true);
}

void TitleWidget::setActive(bool active)
{
    m_active = active;
}

void TitleWidget::drawIcon(QPainter &painter)
{
    painter.drawImage(QPoint(IconX, IconY), m_active ? m_icon : m_inactiveIcon);
}

void TitleWidget::drawCaption(QPainter &painter)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int baseline =
        (height() - metrics.height()) / 2 + metrics.ascent() + metrics.descent() / 2;
    // Active and inactive captions are drawn alike: the icon alone shows the state.
    painter.setPen(Qt::black);
    painter.drawText(QPoint(captionX(), baseline), m_caption);
}

void TitleWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QImage background = LauncherImageStore::chromeImage(m_backgroundImage);
    if (!background.isNull())
        painter.drawTiledPixmap(rect(), QPixmap::fromImage(background), QPoint(0, 0));
    painter.drawImage(QPoint(0, 0), LauncherImageStore::chromeImage(m_upperLeftImage));
    const QImage upperRight = LauncherImageStore::chromeImage(m_upperRightImage);
    painter.drawImage(QPoint(width() - upperRight.width(), 0), upperRight);
    painter.setFont(makeUiFont(10, 50));
    if (m_iconIndex != -1)
        drawIcon(painter);
    drawCaption(painter);
}

void TitleWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::RightButton)
        return;
    m_dragging = true;
    const QPoint windowPos = window()->pos();
    const QPoint global = event->globalPosition().toPoint();
    m_windowX = windowPos.x();
    m_windowY = windowPos.y();
    m_pressGlobalX = global.x();
    m_pressGlobalY = global.y();
}

void TitleWidget::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(Qt::ArrowCursor);
    if (!m_dragging)
        return;
    const QPoint global = event->globalPosition().toPoint();
    window()->move(m_windowX - m_pressGlobalX + global.x(),
                   m_windowY - m_pressGlobalY + global.y());
}

void TitleWidget::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
}
