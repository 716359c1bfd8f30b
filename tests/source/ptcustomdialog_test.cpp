#include "source/bottomwidget.h"
#include "source/launchersettingsdlg.h"
#include "source/launcherstatebutton.h"
#include "source/ptcustomdialog.h"
#include "source/ptlaunchercountryselectdlg.h"
#include "source/sidewidget.h"
#include "source/titlewidget.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QBoxLayout>
#include <QMetaMethod>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

using CustomDialogTest = ChromeTest;

namespace {

// What the screen must show at a point of the caption bar: the background tile, with the close
// button's image drawn over it where the button is.
QRgb expectedCaptionPixel(const QImage &tile, const QImage &button, QPoint inButton, int y)
{
    QImage expected(1, 1, QImage::Format_ARGB32);
    expected.setPixel(0, 0, tile.pixel(0, y));
    if (!button.isNull()) {
        QPainter painter(&expected);
        painter.drawImage(-inButton, button);
    }
    return expected.pixel(0, 0) | 0xff000000;
}

bool nearlyEqual(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// A real screenshot of the window, taken from the X server.
QImage screenshotOf(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
    EXPECT_TRUE(
        waitFor([&] { return window->isVisible() && window->windowHandle()->isExposed(); }));
    // Let the first paint reach the server.
    for (int i = 0; i < 10; ++i)
        waitFor([] { return false; }, 20);
    const QRect frame = window->frameGeometry();
    QImage shot = window->screen()
                      ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                      .toImage()
                      .convertToFormat(QImage::Format_ARGB32);
    const QByteArray folder = qgetenv("TESSALY_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        shot.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + window->objectName() +
                  QStringLiteral(".png"));
    return shot;
}

void expectChromeOnScreen(PtCustomDialog *dialog, const QImage &shot, bool hasCloseButton)
{
    const QImage tile = LauncherImageStore::chromeImage(DialogFrameTop);
    const QImage upperLeft = LauncherImageStore::chromeImage(DialogFrameUpperLeft);
    const QImage upperRight = LauncherImageStore::chromeImage(DialogFrameUpperRight);
    const QImage left = LauncherImageStore::chromeImage(DialogFrameLeft);
    const QImage right = LauncherImageStore::chromeImage(DialogFrameRight);
    const QImage bottom = LauncherImageStore::chromeImage(DialogFrameBottom);
    const QImage lowerLeft = LauncherImageStore::chromeImage(DialogFrameLowerLeft);
    const QImage lowerRight = LauncherImageStore::chromeImage(DialogFrameLowerRight);
    const int w = shot.width();
    const int h = shot.height();
    ASSERT_EQ(shot.size(), dialog->size());
    const int captionHeight = upperLeft.height();

    // Caption bar: corners at both ends, the tile between the caption text and the close box.
    const int free = w - 34;
    ASSERT_GT(free, dialog->titleWidget()->captionX() + 200) << "the dialog is too narrow";
    for (int y = 0; y < captionHeight; ++y) {
        EXPECT_EQ(shot.pixel(0, y), upperLeft.pixel(0, y) | 0xff000000) << "upper left, y " << y;
        EXPECT_EQ(shot.pixel(5, y), upperLeft.pixel(5, y) | 0xff000000) << "upper left, y " << y;
        EXPECT_EQ(shot.pixel(w - 1, y), upperRight.pixel(upperRight.width() - 1, y) | 0xff000000)
            << "upper right, y " << y;
        EXPECT_EQ(shot.pixel(free, y), tile.pixel(free % tile.width(), y) | 0xff000000)
            << "caption tile, y " << y;
    }

    // Side edges all the way down the middle row, the bottom edge along its length.
    for (int y = captionHeight; y < h - bottom.height(); y += 7) {
        for (int x = 0; x < left.width(); ++x) {
            EXPECT_EQ(shot.pixel(x, y),
                      left.pixel(x, (y - captionHeight) % left.height()) | 0xff000000)
                << "left edge " << x << "," << y;
            EXPECT_EQ(shot.pixel(w - left.width() + x, y),
                      right.pixel(x, (y - captionHeight) % right.height()) | 0xff000000)
                << "right edge " << x << "," << y;
        }
    }
    for (int y = 0; y < bottom.height(); ++y) {
        EXPECT_EQ(shot.pixel(0, h - bottom.height() + y), lowerLeft.pixel(0, y) | 0xff000000);
        EXPECT_EQ(shot.pixel(w - 1, h - bottom.height() + y),
                  lowerRight.pixel(lowerRight.width() - 1, y) | 0xff000000);
        for (int x = lowerLeft.width(); x < w - lowerRight.width(); x += 13)
            EXPECT_EQ(shot.pixel(x, h - bottom.height() + y),
                      bottom.pixel((x - lowerLeft.width()) % bottom.width(), y) | 0xff000000)
                << "bottom edge " << x;
    }

    LauncherStateButton *close = dialog->titleWidget()->closeButton();
    ASSERT_EQ(close != nullptr, hasCloseButton);
    if (!close)
        return;
    const QPoint origin = close->mapTo(dialog, QPoint(0, 0));
    EXPECT_EQ(origin.x() + close->width(), w - 6) << "6 pixels right of the close box";
    const QImage normal = LauncherImageStore::chromeImage(WinCloseNormal);
    for (int y = 0; y < close->height(); y += 2) {
        for (int x = 0; x < close->width(); x += 2) {
            const QPoint at = origin + QPoint(x, y);
            const QRgb want =
                expectedCaptionPixel(tile.copy(at.x() % tile.width(), 0, 1, tile.height()), normal,
                                     QPoint(x, y), at.y());
            // Blended pixels may differ by one step of rounding from our own composite.
            EXPECT_TRUE(nearlyEqual(shot.pixel(at), want, 2))
                << "close box " << x << "," << y << std::hex << ": " << shot.pixel(at) << " vs "
                << want;
        }
    }
}

} // namespace

TEST_F(CustomDialogTest, StacksTheChromeAroundTheContent)
{
    QWidget parent;
    PtCustomDialog dialog(true, &parent, "someDialog", false, false, false);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("someDialog"));
    EXPECT_TRUE(dialog.isModal());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(dialog.titleWidget()->objectName(), QStringLiteral("dialog.title.widget"));
    EXPECT_EQ(dialog.titleWidget()->caption(), QStringLiteral("Tessaly Pixtrel Orvana 11"));
    EXPECT_EQ(dialog.leftWidget()->objectName(), QStringLiteral("sideWidget"));
    EXPECT_TRUE(dialog.leftWidget()->isLeft());
    EXPECT_FALSE(dialog.rightWidget()->isLeft());
    EXPECT_EQ(dialog.bottomWidget()->objectName(), QStringLiteral("bottomWidget"));
    EXPECT_EQ(dialog.bottomWidget()->startupChoice(), 3);
    EXPECT_EQ(dialog.palette().color(dialog.backgroundRole()), QColor(110, 110, 110));

    auto *top = qobject_cast<QVBoxLayout *>(dialog.layout());
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->count(), 3);
    EXPECT_EQ(top->itemAt(0)->widget(), dialog.titleWidget());
    EXPECT_EQ(top->itemAt(2)->widget(), dialog.bottomWidget());
    QLayout *middle = top->itemAt(1)->layout();
    ASSERT_NE(middle, nullptr);
    EXPECT_EQ(middle->itemAt(0)->widget(), dialog.leftWidget());
    EXPECT_EQ(middle->itemAt(1)->widget(), dialog.contentWidget());
    EXPECT_EQ(middle->itemAt(2)->widget(), dialog.rightWidget());

    PtCustomDialog closing(false, nullptr, "closing", false, true, true);
    EXPECT_TRUE(closing.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(closing.titleWidget()->closeButton(), nullptr);
}

TEST_F(CustomDialogTest, DeclaresItsSignalsAndSlotsInOrder)
{
    PtCustomDialog dialog(false, nullptr, "d", false, false, false);
    const QMetaObject *meta = dialog.metaObject();
    QStringList declared;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        declared.append(QString::fromLatin1(meta->method(i).methodSignature()));
    const QStringList signalsThenSlots = {
        QStringLiteral("signalMoved()"),
        QStringLiteral("signalResized()"),
        QStringLiteral("signalMouseDown()"),
        QStringLiteral("signalMouseUp()"),
        QStringLiteral("signalTitleBarDoubleClicked()"),
    };
    ASSERT_GE(declared.size(), signalsThenSlots.size());
    EXPECT_EQ(declared.mid(0, signalsThenSlots.size()), signalsThenSlots);
    EXPECT_TRUE(declared.contains(QStringLiteral("slotChildMouseDown()")));
    EXPECT_TRUE(declared.contains(QStringLiteral("slotChildMouseUp()")));
}

TEST_F(CustomDialogTest, ReportsMovesResizesAndActivation)
{
    PtCustomDialog dialog(false, nullptr, "d", false, false, false);
    int moved = 0;
    int resized = 0;
    QObject::connect(&dialog, &PtCustomDialog::signalMoved, &dialog, [&moved] { ++moved; });
    QObject::connect(&dialog, &PtCustomDialog::signalResized, &dialog, [&resized] { ++resized; });
    dialog.resize(400, 200);
    dialog.show();
    ASSERT_TRUE(
        waitFor([&] { return dialog.windowHandle() && dialog.windowHandle()->isExposed(); }));
    EXPECT_GE(resized, 1);
    const int movesBefore = moved;
    dialog.move(dialog.pos() + QPoint(15, 9));
    EXPECT_TRUE(waitFor([&] { return moved > movesBefore; }));

    dialog.activateWindow();
    if (waitFor([&] { return dialog.isActiveWindow(); }, 2000)) {
        EXPECT_TRUE(dialog.titleWidget()->isActive());
    }
    QWidget other;
    other.show();
    other.activateWindow();
    if (waitFor([&] { return other.isActiveWindow(); }, 2000)) {
        EXPECT_TRUE(waitFor([&] { return !dialog.titleWidget()->isActive(); }));
    }
}

// The screenshots below are real X server images; TESSALY_SCREENSHOT_DIR keeps them as PNG.
TEST_F(CustomDialogTest, LaunchPreferencesShowTheChromeImages)
{
    TestEnvironment env;
    LauncherSettingsDlg dialog(nullptr, 0);
    const QImage shot = screenshotOf(&dialog);
    expectChromeOnScreen(&dialog, shot, true);

    // The close box in its hover state shows the hover image.
    LauncherStateButton *close = dialog.titleWidget()->closeButton();
    close->setHover();
    const QImage hovered = screenshotOf(&dialog);
    const QPoint centre = close->mapTo(&dialog, QPoint(close->width() / 2, close->height() / 2));
    const QImage hover = chrome(WinCloseHover);
    EXPECT_EQ(hovered.pixel(centre + QPoint(-4, 0)),
              hover.pixel(close->width() / 2 - 4, close->height() / 2) | 0xff000000)
        << "an opaque point of the red hover box";
}

TEST_F(CustomDialogTest, CountryDialogShowsTheChromeImages)
{
    TestEnvironment env;
    env.set("LC_ALL", QStringLiteral("C.UTF-8"));
    PtLauncherCountrySelectDlg dialog;
    PtLauncherCountrySelectDlg::fillCountryList();
    dialog.populateCombo(QStringLiteral("de_DE"));
    const QImage shot = screenshotOf(&dialog);
    expectChromeOnScreen(&dialog, shot, false);
    // The medium icon sits at (9, 5) in the caption bar.
    const QImage icon = chrome(AppIconMedium);
    EXPECT_EQ(shot.pixel(9 + 8, 5 + 8), icon.pixel(8, 8) | 0xff000000);
    PtLauncherCountrySelectDlg::clearCountryList();
}
