#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The one way the launcher shows a message box, so that tests can see and answer every box.
//
// In-process tests install a handler with setHandler(). Tests that run the launcher as a process
// set TESSALY_MESSAGEBOX_LOG to a file: each box is then appended to it as one JSON line
// ({"icon":..,"title":..,"text":..,"buttons":[..]}) instead of being shown, and answered with
// the button index in TESSALY_MESSAGEBOX_ANSWER, else with its default button.
class LauncherMessageBox
{
public:
    enum class Icon { NoIcon, Information, Warning, Critical, Question };

    struct Request
    {
        Icon icon = Icon::NoIcon;
        QWidget *parent = nullptr;
        QString title;
        QString text;
        QStringList buttons;
        int defaultButton = 0;
        int escapeButton = -1;
    };

    using Handler = std::function<int(const Request &)>;

    // Shows the box and returns the index of the chosen button (-1 when closed without one).
    static int show(const Request &request);

    static int critical(QWidget *parent, const QString &title, const QString &text,
                        const QString &button);
    static int warning(QWidget *parent, const QString &title, const QString &text,
                       const QString &button);

    // Replaces the box for tests; an empty handler restores the real one.
    static void setHandler(Handler handler);

    static QString iconName(Icon icon);
};
