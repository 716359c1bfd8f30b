#include "source/launchersettingsdlg.h"

#include "locale/zstring.h"
#include "platform/registry/ptsettings.h"
#include "source/chromedrawing.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString WelcomeScreenKey =
    QStringLiteral("software\\tessaly\\pixtrel orvana\\11.0\\WelcomeScreen");
const QString QuickLaunchAppValue = QStringLiteral("QuickLaunchApp");

} // namespace

LauncherSettingsDlg::LauncherSettingsDlg(QWidget *parent, int option)
    : PtCustomDialog(true, parent, "LauncherSettingsDlg", false, false, false)
    , m_option(option)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(110, 110, 110));
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255));
    setPalette(pal);
    setObjectName(QStringLiteral("LauncherSettingsDlg"));
    setModal(true);
    setWindowTitle(Locale::zstring("$$$/LauncherWindow/LaunchPreferences=Launch Preferences"));

    auto *content = new QWidget(this);
    content->setPalette(pal);
    content->setAutoFillBackground(true);

    auto *header = new QLabel(
        Locale::zstring("$$$/LauncherWindow/HeaderNote=When I start Pixtrel Orvana"), content);
    header->setFont(makeUiFont(11, 50));
    header->setPalette(pal);

    const QString labels[] = {
        Locale::zstring("$$$/LauncherWindow/Option1=Just show the Welcome Screen"),
        Locale::zstring("$$$/LauncherWindow/Option2=Always Launch Orvana Organizer only"),
        Locale::zstring("$$$/LauncherWindow/Option3=Always Launch Pixtrel Orvana Editor only"),
    };
    m_buttonGroup = new QButtonGroup(content);
    QRadioButton *buttons[3] = {};
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new QRadioButton(labels[i], content);
        buttons[i]->setFont(makeUiFont(10, 50));
        buttons[i]->setPalette(pal);
        buttons[i]->setChecked(i == option);
        m_buttonGroup->addButton(buttons[i], i);
    }

    m_okButton = new QPushButton(Locale::zstring("$$$/PtLauncherCountrySelectDlg/OK=OK"), content);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &LauncherSettingsDlg::slotSaveOption);

    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(header);
    for (QRadioButton *button : buttons)
        layout->addWidget(button);
    layout->addSpacing(6);
    layout->addWidget(m_okButton, 0, Qt::AlignRight);
    addContentWidget(content);
}

void LauncherSettingsDlg::slotSaveOption()
{
    // checkedId() is -1 when no button is checked, which ends the dialog with 0.
    done(m_buttonGroup->checkedId() + 1);
}

int LauncherSettingsDlg::runLaunchPreferences(QWidget *parent)
{
    int stored = 0;
    {
        PtSettingsCU settings(WelcomeScreenKey);
        stored = settings.value(QuickLaunchAppValue, 0).toInt();
    }
    if (stored == -1)
        stored = 0;
    LauncherSettingsDlg dialog(parent, stored);
    const int result = dialog.exec();
    if (result != 0) {
        PtSettingsCU settings(WelcomeScreenKey);
        settings.setValue(QuickLaunchAppValue, result - 1);
        settings.sync();
    }
    return result;
}
