#include "source/ptcustomwidgetbase.h"

#include "source/ptcustomwindowbase.h"

const QColor PtCustomWidgetBase::BackgroundColor(220, 221, 221);

PtCustomWidgetBase::PtCustomWidgetBase(PtCustomWindowBase *window, QWidget *parent,
                                       const char *objectName)
    : QWidget(parent)
    , m_window(window)
{
    setObjectName(QString::fromLatin1(objectName));
    QPalette pal = palette();
    pal.setBrush(QPalette::All, backgroundRole(), QBrush(BackgroundColor));
    setPalette(pal);
    setAutoFillBackground(true);
}

bool PtCustomWidgetBase::customWindowFlag() const
{
    return m_window && m_window->customWindowFlag();
}
