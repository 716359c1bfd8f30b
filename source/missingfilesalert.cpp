#include "source/missingfilesalert.h"

#include "locale/zstring.h"
#include "source/launchermessagebox.h"

void showMissingFilesAlert(QWidget *parent)
{
    LauncherMessageBox::critical(
        parent, Locale::zstring("$$$/main/AppNameLongOrvana=Orvana Organizer"),
        Locale::zstring("$$$/PtApplication/MissingFilesMessage=%1 cannot start or continue because "
                        "of missing file(s). Please reinstall.")
            .arg(QStringLiteral("Pixtrel Orvana")),
        Locale::zstring("$$$/PtZString/OK=OK"));
}
