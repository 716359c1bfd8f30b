#include "source/ptlaunchercountryselectdlg.h"

#include "locale/localeutil.h"
#include "locale/zstring.h"
#include "platform/geo/geoinfo.h"
#include "source/chromedrawing.h"
#include "source/launcherimagestore.h"
#include "source/launcherpaths.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <map>

namespace {

struct LocaleAwareLess
{
    bool operator()(const QString &a, const QString &b) const
    {
        return QString::localeAwareCompare(a, b) < 0;
    }
};

// Display name -> identifier. Only the GUI thread touches it.
std::map<QString, QString, LocaleAwareLess> &countryList()
{
    static std::map<QString, QString, LocaleAwareLess> list;
    return list;
}

QPointer<PtLauncherCountrySelectDlg> s_instance;

void applyPalette(QWidget *widget)
{
    QPalette pal = widget->palette();
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(220, 221, 222)));
    pal.setBrush(QPalette::All, QPalette::WindowText, QBrush(Qt::black));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

} // namespace

PtLauncherCountrySelectDlg::PtLauncherCountrySelectDlg(QWidget *parent)
    : PtCustomDialog(true, parent, "countrySelection", false, false, true)
{
    setWindowIcon(QPixmap::fromImage(LauncherImageStore::chromeImage(AppIconLarge)));

    auto *panel = new QWidget(this);
    auto *label = new QLabel(
        Locale::zstring(
            "$$$/PtLauncherCountrySelectDlg/selectyourcountry=Please select your Country/Region:"),
        panel);
    label->setFont(makeUiFont(10, 50));
    applyPalette(this);
    applyPalette(panel);
    applyPalette(label);

    m_combo = new QComboBox(panel);
    m_combo->setObjectName(QStringLiteral("countryCombo"));
    m_combo->setMaxVisibleItems(16);
    // Without this the style opens a list of all 250 entries over the whole screen height.
    m_combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    connect(m_combo, &QComboBox::currentIndexChanged, this,
            &PtLauncherCountrySelectDlg::slotCurrentIndexChanged);

    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(label);
    row->addWidget(m_combo);

    m_okButton = new QPushButton(Locale::zstring("$$$/PtLauncherCountrySelectDlg/OK=OK"), panel);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);
    column->addLayout(row);
    column->addWidget(m_okButton, 0, Qt::AlignRight);

    clearCountryList();
    addContentWidget(panel);
}

PtLauncherCountrySelectDlg *PtLauncherCountrySelectDlg::instance(QWidget *parent)
{
    if (!s_instance) {
        s_instance = new PtLauncherCountrySelectDlg(parent);
        // A parentless dialog has no owner to delete it; it goes before the application does.
        if (!parent && qApp)
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, s_instance.data(),
                             [dialog = s_instance.data()] { delete dialog; });
    }
    return s_instance;
}

void PtLauncherCountrySelectDlg::fillCountryList()
{
    auto &list = countryList();
    list.emplace(QString(), QString());
    const QStringList languages = Geo::GeoInfo::userLanguages();
    for (const Geo::Nation &nation : Geo::GeoInfo::nations()) {
        const std::optional<QString> name = Geo::GeoInfo::friendlyName(nation.id, languages);
        if (name)
            list.emplace(*name, QString::asprintf("%d", nation.id)); // the first one stays
    }
}

void PtLauncherCountrySelectDlg::clearCountryList()
{
    countryList().clear();
}

int PtLauncherCountrySelectDlg::countryListSize()
{
    return int(countryList().size());
}

void PtLauncherCountrySelectDlg::populateCombo()
{
    populateCombo(LocaleUtil::currentLocaleCode(LauncherPaths::applicationDirectory()));
}

void PtLauncherCountrySelectDlg::populateCombo(const QString &localeCode)
{
    QString defaultId;
    // Only a locale the system knows has a nation, as converting an unknown code would fail.
    if (localeCode.toLower() != QLatin1String("en_us") &&
        LocaleUtil::isKnownLocaleCode(localeCode)) {
        if (const std::optional<int> nation = Geo::GeoInfo::nationOfLocale(localeCode))
            defaultId = QString::number(*nation);
    }
    // The dialog is reused, so the entries of an earlier use go first.
    m_combo->clear();
    for (const auto &[name, id] : countryList()) {
        m_combo->addItem(name, id);
        if (id == defaultId)
            m_combo->setCurrentIndex(m_combo->count() - 1);
    }
}

void PtLauncherCountrySelectDlg::slotCurrentIndexChanged(int index)
{
    m_selectedCountry = m_combo->itemData(index).toString();
    m_okButton->setEnabled(!m_selectedCountry.isEmpty());
}

QByteArray PtLauncherCountrySelectDlg::selectCountry(QWidget *parent)
{
    PtLauncherCountrySelectDlg *dialog = instance(parent);
    fillCountryList();
    dialog->populateCombo();
    if (dialog->exec() != QDialog::Accepted)
        return QByteArray();
    return dialog->selectedCountryUtf8();
}
