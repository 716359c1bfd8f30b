#pragma once

#include <QWidget>

// The launcher's main window until the Welcome Screen fills it: frameless, titled with the
// launcher's caption; closing it ends the event loop.
class LauncherPlainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LauncherPlainWindow(int startupApplication, QWidget *parent = nullptr);

    int startupApplication() const { return m_startupApplication; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_startupApplication = 0;
};
