#pragma once

#include "source/ptcustomdialog.h"

#include <QByteArray>
#include <QString>

class QComboBox;
class QPushButton;

// Asks the user for a country or region among the nations the system knows and reports the
// chosen nation's numeric identifier. There is one dialog per process, made on first use.
class PtLauncherCountrySelectDlg : public PtCustomDialog
{
    Q_OBJECT
public:
    explicit PtLauncherCountrySelectDlg(QWidget *parent = nullptr);

    // The process's dialog, created with the given parent on first use and kept.
    static PtLauncherCountrySelectDlg *instance(QWidget *parent = nullptr);

    // Fills the process-wide country list: a blank entry first, then every nation by its name
    // in the user's language, in the locale's sort order.
    static void fillCountryList();
    static void clearCountryList();
    static int countryListSize();

    // Refills the combo box from the country list and preselects the nation of the locale code
    // (the application's locale when none is given); "en_us" preselects nothing.
    void populateCombo();
    void populateCombo(const QString &localeCode);

    // The identifier of the chosen nation as decimal text; empty while none is chosen.
    QString selectedCountry() const { return m_selectedCountry; }
    QByteArray selectedCountryUtf8() const { return m_selectedCountry.toUtf8(); }

    QComboBox *comboBox() const { return m_combo; }
    QPushButton *okButton() const { return m_okButton; }

    // Fills the list, shows the dialog modally and returns the chosen identifier (UTF-8), or an
    // empty text when the dialog was dismissed.
    static QByteArray selectCountry(QWidget *parent = nullptr);

private Q_SLOTS:
    void slotCurrentIndexChanged(int index);

private:
    QComboBox *m_combo = nullptr;
    QString m_selectedCountry;
    QPushButton *m_okButton = nullptr;
};
