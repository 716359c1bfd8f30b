#pragma once

#include "source/ptcustomdialog.h"

class QButtonGroup;
class QPushButton;

// The launch preferences: what a plain start of the launcher does (0 Welcome Screen,
// 1 Organizer, 2 Editor). The dialog's result is the chosen option + 1; 0 means "store nothing"
// (closed through the chrome, or OK without a choice).
class LauncherSettingsDlg : public PtCustomDialog
{
    Q_OBJECT
public:
    LauncherSettingsDlg(QWidget *parent, int option);

    int option() const { return m_option; }
    QButtonGroup *buttonGroup() const { return m_buttonGroup; }
    QPushButton *okButton() const { return m_okButton; }

    // Runs the dialog on the stored "QuickLaunchApp" (a stored -1 counts as 0) and stores the
    // choice when the dialog ends with one. Returns the dialog's result.
    static int runLaunchPreferences(QWidget *parent);

public Q_SLOTS:
    void slotSaveOption();

private:
    int m_option;
    QButtonGroup *m_buttonGroup = nullptr;
    QPushButton *m_okButton = nullptr;
};
