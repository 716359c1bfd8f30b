#pragma once

#include "source/ptcustomwidgetbase.h"

// The left or right frame edge of a custom dialog: its edge image tiled downwards.
class SideWidget : public PtCustomWidgetBase
{
    Q_OBJECT
public:
    SideWidget(PtCustomWindowBase *window, bool isLeft, QWidget *parent, const char *objectName);

    bool isLeft() const { return m_isLeft; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_isLeft;
};
