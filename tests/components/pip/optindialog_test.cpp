#include "components/pip/tessalypip.h"

#include "tests/components/pip/piptestsupport.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Waits for the modal dialog to come up, then lets the test act on it.
void whenDialogShows(std::function<void(QDialog *)> act)
{
    auto *timer = new QTimer(qApp);
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, clock, act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 10000)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog)
            act(dialog);
    });
    timer->start(20);
}

QPushButton *okButton(QDialog *dialog)
{
    return dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

class OptInDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char16_t *names[] = {u"Help Improve Pixtrel Orvana And Motiva Orvana"};
        ASSERT_EQ(TessalyPIPSetProductDisplayNameW(names, 1, 0), TPIP_OK);
        ASSERT_EQ(TessalyPIPInitializeW(u"Orvana", u"PixtrelOrvana", u"11", u"11.0 (test)",
                                        u"en_US", 2, 0, nullptr, u"Orvana11"),
                  TPIP_OK);
    }
    void TearDown() override { TessalyPIPTerminate(); }

    TestEnvironment m_env;
};

TEST_F(OptInDialogTest, OptingInWritesTheChoiceAndStartsRecording)
{
    ASSERT_EQ(TessalyPIPGetLogHandle(), nullptr);
    QString title;
    bool okEnabledBeforeChoice = true;
    whenDialogShows([&](QDialog *dialog) {
        title = dialog->windowTitle();
        okEnabledBeforeChoice = okButton(dialog)->isEnabled();
        dialog->findChild<QRadioButton *>(QStringLiteral("optIn"))->click();
        okButton(dialog)->click();
    });
    EXPECT_EQ(TessalyPIPDisplayOptInOutDialog(), TPIP_OK);
    EXPECT_EQ(title, u"Help Improve Pixtrel Orvana And Motiva Orvana");
    // A user who never chose must choose before confirming.
    EXPECT_FALSE(okEnabledBeforeChoice);
    EXPECT_EQ(PipTest::optIn(), 1);
    const UTLogHandle handle = TessalyPIPGetLogHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(UTLogEvent(handle, "", "afterDialog", "WS", 0, 0), UT_OK);
    EXPECT_EQ(PipTest::readRecords().size(), 1);
}

TEST_F(OptInDialogTest, OptingOutShowsTheCurrentChoiceAndWritesZero)
{
    PipTest::setOptIn(1);
    bool inWasSelected = false;
    whenDialogShows([&](QDialog *dialog) {
        inWasSelected = dialog->findChild<QRadioButton *>(QStringLiteral("optIn"))->isChecked();
        dialog->findChild<QRadioButton *>(QStringLiteral("optOut"))->click();
        okButton(dialog)->click();
    });
    EXPECT_EQ(TessalyPIPDisplayOptInOutDialog(), TPIP_OK);
    EXPECT_TRUE(inWasSelected);
    EXPECT_EQ(PipTest::optIn(), 0);
    EXPECT_EQ(TessalyPIPGetLogHandle(), nullptr);
}

TEST_F(OptInDialogTest, CancellingChangesNothing)
{
    whenDialogShows([](QDialog *dialog) {
        dialog->findChild<QRadioButton *>(QStringLiteral("optIn"))->click();
        dialog->reject();
    });
    EXPECT_EQ(TessalyPIPDisplayOptInOutDialog(), TPIP_CANCELLED);
    EXPECT_EQ(PipTest::optIn(), -1);
    EXPECT_EQ(TessalyPIPGetLogHandle(), nullptr);
}

} // namespace
