#include "source/launcherstatebutton.h"
#include "source/ptlaunchercountryselectdlg.h"
#include "source/titlewidget.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

int indexOfId(QComboBox *combo, const QString &id)
{
    return combo->findData(id);
}

} // namespace

class CountryDialogTest : public ChromeTest
{
protected:
    void SetUp() override
    {
        ChromeTest::SetUp();
        m_env.set("LC_ALL", QStringLiteral("C.UTF-8"));
        m_env.unset("LANGUAGE");
        PtLauncherCountrySelectDlg::clearCountryList();
    }
    void TearDown() override
    {
        PtLauncherCountrySelectDlg::clearCountryList();
        ChromeTest::TearDown();
    }

    TestEnvironment m_env;
};

TEST_F(CountryDialogTest, BuildsTheDialogWithoutCloseBox)
{
    PtLauncherCountrySelectDlg dialog;
    EXPECT_EQ(dialog.objectName(), QStringLiteral("countrySelection"));
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.titleWidget()->closeButton(), nullptr);
    EXPECT_EQ(dialog.titleWidget()->caption(), QStringLiteral("Tessaly Pixtrel Orvana 11"));
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(220, 221, 222));
    const QImage icon =
        dialog.windowIcon().pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(icon.pixel(24, 24), chrome(AppIconLarge).pixel(24, 24)) << "the large icon";
    const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Please select your Country/Region:"));
    EXPECT_EQ(dialog.okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(PtLauncherCountrySelectDlg::countryListSize(), 0) << "construction clears the list";
}

TEST_F(CountryDialogTest, ListStartsWithTheBlankEntryThenSortedNames)
{
    PtLauncherCountrySelectDlg::fillCountryList();
    PtLauncherCountrySelectDlg dialog;
    PtLauncherCountrySelectDlg::fillCountryList();
    dialog.populateCombo(QStringLiteral("en_US"));
    QComboBox *combo = dialog.comboBox();
    ASSERT_GE(combo->count(), 241);
    EXPECT_TRUE(combo->itemText(0).isEmpty());
    EXPECT_TRUE(combo->itemData(0).toString().isEmpty());
    for (int i = 2; i < combo->count(); ++i)
        EXPECT_LE(QString::localeAwareCompare(combo->itemText(i - 1), combo->itemText(i)), 0) << i;
    const int germany = indexOfId(combo, QStringLiteral("276"));
    ASSERT_GT(germany, 0);
    EXPECT_EQ(combo->itemText(germany), QStringLiteral("Germany"));
    EXPECT_EQ(indexOfId(combo, QStringLiteral("20")) > 0, true) << "identifiers are plain decimals";
}

TEST_F(CountryDialogTest, PreselectsTheLocalesNation)
{
    struct Row
    {
        const char *locale;
        const char *selected; // identifier, "" for the blank entry
        bool okEnabled;
    };
    const Row rows[] = {
        {"en_US", "", false},   {"EN_us", "", false},   {"de_DE", "276", true},
        {"fr_CA", "124", true}, {"ja_JP", "392", true}, {"xx", "", false},
        {"xx_DE", "", false},
    };
    PtLauncherCountrySelectDlg dialog;
    for (const Row &row : rows) {
        PtLauncherCountrySelectDlg::fillCountryList();
        dialog.populateCombo(QString::fromLatin1(row.locale));
        EXPECT_EQ(dialog.selectedCountry(), QString::fromLatin1(row.selected)) << row.locale;
        EXPECT_EQ(dialog.comboBox()->currentData().toString(), QString::fromLatin1(row.selected));
        EXPECT_EQ(dialog.okButton()->isEnabled(), row.okEnabled) << row.locale;
    }
}

// Guards against a reused dialog listing every country once per use.
TEST_F(CountryDialogTest, RefillingDoesNotDuplicateEntries)
{
    PtLauncherCountrySelectDlg dialog;
    PtLauncherCountrySelectDlg::fillCountryList();
    dialog.populateCombo(QStringLiteral("en_us"));
    const int count = dialog.comboBox()->count();
    PtLauncherCountrySelectDlg::fillCountryList();
    dialog.populateCombo(QStringLiteral("de_DE"));
    EXPECT_EQ(dialog.comboBox()->count(), count);
    EXPECT_EQ(PtLauncherCountrySelectDlg::countryListSize(), count);
}

TEST_F(CountryDialogTest, ChoosingACountryEnablesOk)
{
    PtLauncherCountrySelectDlg dialog;
    PtLauncherCountrySelectDlg::fillCountryList();
    dialog.populateCombo(QStringLiteral("en_US"));
    ASSERT_FALSE(dialog.okButton()->isEnabled());
    const int france = indexOfId(dialog.comboBox(), QStringLiteral("250"));
    dialog.comboBox()->setCurrentIndex(france);
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_EQ(dialog.selectedCountryUtf8(), QByteArray("250"));
    dialog.comboBox()->setCurrentIndex(0);
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    EXPECT_TRUE(dialog.selectedCountry().isEmpty());
}

TEST_F(CountryDialogTest, NamesAreInTheUsersLanguage)
{
    m_env.set("LC_ALL", QStringLiteral("de_DE.UTF-8"));
    PtLauncherCountrySelectDlg dialog;
    PtLauncherCountrySelectDlg::fillCountryList();
    dialog.populateCombo(QStringLiteral("de_DE"));
    EXPECT_EQ(dialog.comboBox()->currentText(), QStringLiteral("Deutschland"));
    EXPECT_EQ(dialog.comboBox()->itemText(indexOfId(dialog.comboBox(), QStringLiteral("250"))),
              QStringLiteral("Frankreich"));
    EXPECT_EQ(dialog.comboBox()->itemText(indexOfId(dialog.comboBox(), QStringLiteral("840"))),
              QStringLiteral("Vereinigte Staaten"));
}

TEST_F(CountryDialogTest, OneDialogPerProcess)
{
    QWidget owner;
    PtLauncherCountrySelectDlg *first = PtLauncherCountrySelectDlg::instance(&owner);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(PtLauncherCountrySelectDlg::instance(&owner), first);
    EXPECT_EQ(PtLauncherCountrySelectDlg::instance(), first);
}

TEST_F(CountryDialogTest, SelectCountryReportsTheChoiceOnlyWhenAccepted)
{
    QWidget owner;
    const auto answer = [](bool accept) {
        QTimer::singleShot(0, [accept] {
            auto *dialog =
                qobject_cast<PtLauncherCountrySelectDlg *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->comboBox()->setCurrentIndex(
                dialog->comboBox()->findData(QStringLiteral("380")));
            if (accept)
                dialog->okButton()->click();
            else
                dialog->reject();
        });
    };
    answer(true);
    EXPECT_EQ(PtLauncherCountrySelectDlg::selectCountry(&owner), QByteArray("380"));
    answer(false);
    EXPECT_EQ(PtLauncherCountrySelectDlg::selectCountry(&owner), QByteArray());
}
