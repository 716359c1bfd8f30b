#include "tests/glint/gui/glinttestsupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// The whole screen as the X server shows it.
QImage screenshot(const QString &folder)
{
    const QString file = folder + QStringLiteral("/screen.png");
    QProcess import;
    import.start(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"),
                  // True colour: a palette image of a few colours reads back unreliably.
                  QStringLiteral("png24:") + file});
    if (!import.waitForFinished(20000) || import.exitCode() != 0)
        return QImage();
    return QImage(file);
}

} // namespace

TEST(Screenshot, AMoviePaintsInsideThePlayerAtItsPosition)
{
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "imagemagick's import is not installed";
    if (QGuiApplication::primaryScreen()->depth() < 24)
        GTEST_SKIP() << "the X server's depth cannot show the movie's colours exactly";
    QTemporaryDir folder;
    QWidget frame(nullptr, Qt::FramelessWindowHint);
    frame.setGeometry(700, 600, 400, 300);
    frame.setAutoFillBackground(true);
    QPalette palette = frame.palette();
    palette.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    frame.setPalette(palette);
    auto *player = new TestPlayer(&frame);
    player->move(50, 40);
    frame.show();
    ASSERT_TRUE(waitUntil([&] { return frame.windowHandle()->isExposed(); }));
    ASSERT_EQ(player->Load(moviePath(QStringLiteral("colors.qml"))), 0);
    ASSERT_EQ(player->size(), QSize(200, 100));

    // Player at screen (750, 640), 200 x 100: red, green / blue, yellow quadrants. The frame
    // keeps a corner of the screen that the other GUI tests leave alone.
    struct Sample
    {
        QPoint at;
        QRgb colour;
    };
    const Sample samples[] = {{{800, 665}, qRgb(255, 0, 0)},  {{900, 665}, qRgb(0, 255, 0)},
                              {{800, 715}, qRgb(0, 0, 255)},  {{900, 715}, qRgb(255, 255, 0)},
                              {{752, 642}, qRgb(255, 0, 0)},  {{947, 737}, qRgb(255, 255, 0)},
                              {{720, 620}, qRgb(64, 64, 64)}, {{1000, 850}, qRgb(64, 64, 64)},
                              {{749, 690}, qRgb(64, 64, 64)}, {{950, 690}, qRgb(64, 64, 64)}};
    QImage image;
    const bool painted = waitUntil(
        [&] {
            // Another test's window may have been mapped over this one meanwhile.
            frame.raise();
            QCoreApplication::processEvents();
            image = screenshot(folder.path());
            if (image.isNull())
                return false;
            for (const Sample &sample : samples) {
                if (image.pixel(sample.at) != sample.colour)
                    return false;
            }
            return true;
        },
        15000);
    ASSERT_FALSE(image.isNull()) << "no screenshot from the X server";
    for (const Sample &sample : samples) {
        EXPECT_EQ(QColor(image.pixel(sample.at)).name(), QColor(sample.colour).name())
            << sample.at.x() << "," << sample.at.y();
    }
    EXPECT_TRUE(painted) << "frame at " << frame.geometry().x() << "," << frame.geometry().y()
                         << " screen " << image.width() << "x" << image.height();
}
