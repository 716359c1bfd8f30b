#include "source/launcherplainwindow.h"

#include "locale/zstring.h"

#include <QPainter>

LauncherPlainWindow::LauncherPlainWindow(int startupApplication, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_startupApplication(startupApplication)
{
    setWindowTitle(
        Locale::zstring("$$$/LauncherWindow/AppCaption=Welcome - Tessaly Pixtrel Orvana %1")
            .arg(QStringLiteral("11")));
    resize(860, 540);
}

void LauncherPlainWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(0x2b, 0x2d, 0x31));
    background.setColorAt(1, QColor(0x1c, 0x1d, 0x20));
    painter.fillRect(rect(), background);
    painter.setPen(QColor(0xe8, 0xe8, 0xea));
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.8);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Pixtrel Orvana 11"));
}
