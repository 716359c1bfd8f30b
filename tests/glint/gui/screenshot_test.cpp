#include "tests/glint/gui/glinttestsupport.h"

#include <QImage>
#include <QProcess>
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
                 {QStringLiteral("-window"), QStringLiteral("root"), file});
    if (!import.waitForFinished(20000) || import.exitCode() != 0)
        return QImage();
    return QImage(file);
}

} // namespace

TEST(Screenshot, AMoviePaintsInsideThePlayerAtItsPosition)
{
    if (QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty())
        GTEST_SKIP() << "imagemagick's import is not installed";
    QTemporaryDir folder;
    QWidget frame(nullptr, Qt::FramelessWindowHint);
    frame.setGeometry(200, 150, 400, 300);
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

    // Player at screen (250, 190), 200 x 100: red, green / blue, yellow quadrants.
    struct Sample
    {
        QPoint at;
        QRgb colour;
    };
    const Sample samples[] = {{{300, 215}, qRgb(255, 0, 0)},  {{400, 215}, qRgb(0, 255, 0)},
                              {{300, 265}, qRgb(0, 0, 255)},  {{400, 265}, qRgb(255, 255, 0)},
                              {{252, 192}, qRgb(255, 0, 0)},  {{447, 287}, qRgb(255, 255, 0)},
                              {{220, 170}, qRgb(64, 64, 64)}, {{500, 350}, qRgb(64, 64, 64)}};
    QImage image;
    const bool painted = waitUntil(
        [&] {
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
    EXPECT_TRUE(painted);
}
