#pragma once

#include "source/ptcustomwidgetbase.h"

#include <QPointer>
#include <QString>

class QMenu;

// The bottom frame edge of a custom dialog. Its pop-up menu lets the user choose what starts
// with the product (0 Welcome Screen, 1 Organizer, 2 Editor) and stores the choice as
// "STARTUP_APP"; it opens below the anchor widget (the edge itself when none is set).
class BottomWidget : public PtCustomWidgetBase
{
    Q_OBJECT
public:
    BottomWidget(PtCustomWindowBase *window, bool flag, int startupChoice, QWidget *parent,
                 const char *objectName);

    int startupChoice() const { return m_startupChoice; }
    void setMenuAnchor(QWidget *anchor) { m_menuAnchor = anchor; }

    // Builds the start-up menu with the entry of the current choice checked (none when the
    // choice is outside 0..2). Shown by slotPopupClicked().
    std::unique_ptr<QMenu> createStartupMenu();
    // What choosing an entry does: records the choice, stores it and repaints.
    void chooseStartup(int choice);

    static const QString SettingsKey;
    static const QString StartupValueName;

public Q_SLOTS:
    void slotPopupClicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_flag;
    int m_startupChoice;
    QPointer<QWidget> m_menuAnchor;
    QString m_text;
};
