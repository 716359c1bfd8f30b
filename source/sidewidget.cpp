#include "source/sidewidget.h"

#include "source/launcherimagestore.h"

#include <QPainter>

SideWidget::SideWidget(PtCustomWindowBase *window, bool isLeft, QWidget *parent,
                       const char *objectName)
    : PtCustomWidgetBase(window, parent, objectName)
    , m_isLeft(isLeft)
{
    // Both edges take the left image's width, so the frame stays symmetric.
    setFixedWidth(LauncherImageStore::chromeImage(DialogFrameLeft).width());
}

void SideWidget::paintEvent(QPaintEvent *)
{
    const QImage image =
        LauncherImageStore::chromeImage(m_isLeft ? DialogFrameLeft : DialogFrameRight);
    if (image.isNull() || image.height() <= 0)
        return;
    QPainter painter(this);
    for (int y = 0; y < height(); y += image.height())
        painter.drawImage(QPoint(0, y), image);
}
