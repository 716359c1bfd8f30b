#include "source/ptlaunchercustomwindowwidget.h"

#include "locale/zstring.h"
#include "source/chromedrawing.h"
#include "source/launcherimagestore.h"
#include "tessaly_version.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QResizeEvent>
#include <QScreen>

#include <utility>

namespace {

// Stands where the Welcome movie will play: the product's dark backdrop with its mark, name and
// version, a close box and a drag area, at the Welcome Screen's size.
class WelcomePlaceholder : public QWidget
{
public:
    WelcomePlaceholder(PtLauncherCustomWindowWidget *window, int startupApplication)
        : QWidget(window)
        , m_window(window)
    {
        Q_UNUSED(startupApplication)
        setObjectName(QStringLiteral("welcomePlaceholder"));
        setMinimumSize(860, 540);
        setMouseTracking(true);

        // What the Welcome content does once its movie has told it its size.
        window->m_centreOnResize = true;
        window->resize(860, 540);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient backdrop(0, 0, 0, height());
        backdrop.setColorAt(0, QColor(0x2b, 0x2d, 0x31));
        backdrop.setColorAt(1, QColor(0x18, 0x19, 0x1c));
        painter.fillRect(rect(), backdrop);
        QRadialGradient glow(QPointF(width() * 0.5, height() * 0.42), width() * 0.45);
        glow.setColorAt(0, QColor(0x3b, 0x8f, 0xd9, 38));
        glow.setColorAt(1, QColor(0x3b, 0x8f, 0xd9, 0));
        painter.fillRect(rect(), glow);
        // The dragger strip the Welcome movie draws at the top.
        painter.fillRect(QRect(0, 0, width(), 40), QColor(255, 255, 255, 8));
        painter.fillRect(QRect(0, 40, width(), 1), QColor(255, 255, 255, 18));

        const QImage mark = LauncherImageStore::chromeImage(AppIconLarge);
        const int centreY = height() / 2;
        painter.drawImage(QPoint((width() - mark.width()) / 2, centreY - mark.height() - 34), mark);

        painter.setPen(QColor(0xf2, 0xf3, 0xf5));
        painter.setFont(makeUiFont(22, 50));
        const QString title = Locale::zstring("$$$/LauncherWindow/ProductTitle=Pixtrel Orvana %1")
                                  .arg(QStringLiteral("11"));
        painter.drawText(QRect(0, centreY - 28, width(), 40), Qt::AlignCenter, title);

        painter.setPen(QColor(0x9a, 0xa0, 0xa8));
        painter.setFont(makeUiFont(10, 50));
        const QString version = Locale::zstring("$$$/LauncherWindow/VersionLabel=Version %1")
                                    .arg(QStringLiteral(TESSALY_VERSION_STRING));
        painter.drawText(QRect(0, centreY + 16, width(), 22), Qt::AlignCenter, version);

        // The close box: a light cross on the dark strip, red while the mouse is on it.
        const QRectF box = QRectF(closeRect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (m_closeHover) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(m_closePressed ? QColor(0xa8, 0x32, 0x2a) : QColor(0xd2, 0x45, 0x3b));
            painter.drawRoundedRect(box, 4, 4);
        }
        painter.setPen(QPen(m_closeHover ? QColor(Qt::white) : QColor(0xb4, 0xb9, 0xc1), 1.6,
                            Qt::SolidLine, Qt::RoundCap));
        const QPointF c = box.center();
        painter.drawLine(c + QPointF(-5, -5), c + QPointF(5, 5));
        painter.drawLine(c + QPointF(5, -5), c + QPointF(-5, 5));
    }

    QRect closeRect() const { return QRect(width() - 12 - 26, 7, 26, 26); }

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        if (closeRect().contains(event->position().toPoint())) {
            m_closePressed = true;
            update(closeRect());
            return;
        }
        m_pressOffset = event->globalPosition().toPoint() - m_window->pos();
        m_dragging = true;
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        const bool hover = closeRect().contains(event->position().toPoint());
        if (hover != m_closeHover) {
            m_closeHover = hover;
            update(closeRect());
        }
        if (m_dragging)
            m_window->move(event->globalPosition().toPoint() - m_pressOffset);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        m_dragging = false;
        const bool pressed = std::exchange(m_closePressed, false);
        if (pressed && closeRect().contains(event->position().toPoint()))
            m_window->close();
        update(closeRect());
    }

    void leaveEvent(QEvent *) override
    {
        m_closeHover = false;
        update(closeRect());
    }

private:
    PtLauncherCustomWindowWidget *m_window;
    bool m_dragging = false;
    bool m_closeHover = false;
    bool m_closePressed = false;
    QPoint m_pressOffset;
};

} // namespace

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

    m_welcomeWidget = new WelcomePlaceholder(this, m_startupApplication);
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
