#pragma once

#include <QWidget>

class PtCustomWindowBase;

// Base of the chrome pieces a custom window stacks around its content: a widget filled with the
// chrome's light grey that knows the window it decorates.
class PtCustomWidgetBase : public QWidget
{
    Q_OBJECT
public:
    static const QColor BackgroundColor;

    PtCustomWidgetBase(PtCustomWindowBase *window, QWidget *parent, const char *objectName);

    // The owning window's flag (false without a window).
    virtual bool customWindowFlag() const;

    PtCustomWindowBase *customWindow() const { return m_window; }

private:
    PtCustomWindowBase *m_window; // not owned
};
