#include "source/launcherimagestore.h"
#include "source/launcherpixmapsexception.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QBitmap>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ImageStoreFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = LauncherPaths::assetsDirectory();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(copyBitmaps(m_dir.path()));
        LauncherPaths::setAssetsDirectory(m_dir.path());
    }
    void TearDown() override { LauncherPaths::setAssetsDirectory(m_saved); }

    QString bitmap(const QString &relative) const
    {
        return m_dir.path() + QStringLiteral("/bitmaps/") + relative;
    }

    QTemporaryDir m_dir;
    QString m_saved;
};

QString constructionError()
{
    try {
        LauncherImageStore store;
    } catch (const LauncherPixmapsException &error) {
        return error.message();
    }
    return QString();
}

} // namespace

TEST_F(ImageStoreFolder, LoadsEveryImageAndMask)
{
    LauncherImageStore store;
    EXPECT_EQ(LauncherImageStore::instance(), &store);
    for (int i = 0; i < ChromeImageCount; ++i) {
        bool ok = false;
        EXPECT_FALSE(store.image(i, &ok).isNull()) << i;
        EXPECT_TRUE(ok) << i;
    }
    for (int i = 0; i < WindowMaskCount; ++i) {
        bool ok = false;
        EXPECT_FALSE(store.mask(i, &ok).isNull()) << i;
        EXPECT_TRUE(ok) << i;
    }
    bool ok = true;
    EXPECT_TRUE(store.image(ChromeImageCount, &ok).isNull());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(store.mask(-1, &ok).isNull());
    EXPECT_FALSE(ok);
}

TEST_F(ImageStoreFolder, MissingLastMaskFailsAfterAllImagesLoaded)
{
    ASSERT_TRUE(QFile::remove(bitmap(QStringLiteral("common/E_WinFrameLR_Mask.bmp"))));
    EXPECT_EQ(constructionError(),
              QStringLiteral("Mask file not found: common/E_WinFrameLR_Mask.bmp"));
    EXPECT_EQ(LauncherImageStore::instance(), nullptr) << "a failed store is not the application's";
}

TEST_F(ImageStoreFolder, NamesTheFirstMissingFile)
{
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("common/PXO_AppIcon_Md.png"),
         QStringLiteral("Image file not found: common/PXO_AppIcon_Md.png")},
        {QStringLiteral("widgets/E_WinClose_DN.png"),
         QStringLiteral("Image file not found: widgets/E_WinClose_DN.png")},
        {QStringLiteral("common/E_WinFrameUL_Mask.bmp"),
         QStringLiteral("Mask file not found: common/E_WinFrameUL_Mask.bmp")},
    };
    for (const auto &[file, message] : rows) {
        const QString path = bitmap(file);
        QFile original(path);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QByteArray content = original.readAll();
        original.close();
        ASSERT_TRUE(QFile::remove(path));
        EXPECT_EQ(constructionError(), message);
        QFile restored(path);
        ASSERT_TRUE(restored.open(QIODevice::WriteOnly));
        restored.write(content);
    }
}

// Guards against an unreadable file being taken for an image.
TEST_F(ImageStoreFolder, UnreadableImageCountsAsMissing)
{
    QFile damaged(bitmap(QStringLiteral("common/E_DialogFrameTop.png")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a picture");
    damaged.close();
    EXPECT_EQ(constructionError(),
              QStringLiteral("Image file not found: common/E_DialogFrameTop.png"));
}

// The store reads each file in the format its suffix names; content in another format must
// still be read, as a picture viewer would.
TEST_F(ImageStoreFolder, FilesWhoseContentIsNotTheirSuffixFormatAreStillRead)
{
    const QString png = bitmap(QStringLiteral("common/E_DialogFrameTop.png"));
    const QString bmp = bitmap(QStringLiteral("common/E_WinFrameUL_Mask.bmp"));
    const QImage picture(png);
    const QImage maskPicture(bmp);
    ASSERT_FALSE(picture.isNull());
    ASSERT_FALSE(maskPicture.isNull());
    ASSERT_TRUE(picture.save(png, "BMP"));
    ASSERT_TRUE(maskPicture.save(bmp, "PNG"));

    LauncherImageStore store;
    EXPECT_EQ(store.image(DialogFrameTop).convertToFormat(QImage::Format_ARGB32),
              picture.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(store.mask(0).toImage(), QBitmap::fromImage(maskPicture).toImage());
}

// Masks are made from the file's picture directly; they must be the bitmaps the pixmap loader
// makes of the same files, or the window shape changes.
TEST_F(ImageStoreFolder, MasksAreTheBitmapsOfTheirFiles)
{
    LauncherImageStore store;
    for (int i = 0; i < WindowMaskCount; ++i) {
        QBitmap expected;
        ASSERT_TRUE(expected.load(bitmap(LauncherImageStore::maskFileName(i)))) << i;
        EXPECT_EQ(store.mask(i).toImage(), expected.toImage()) << i;
        EXPECT_EQ(store.mask(i).size(), expected.size()) << i;
    }
}

TEST_F(ImageStoreFolder, LoadedSlotsAreNotLoadedAgain)
{
    LauncherImageStore store;
    const QImage before = store.image(AppIconMedium);
    ASSERT_TRUE(QFile::remove(bitmap(QStringLiteral("common/PXO_AppIcon_Md.png"))));
    bool ok = false;
    EXPECT_EQ(store.image(AppIconMedium, &ok), before);
    EXPECT_TRUE(ok);
}

TEST_F(ImageStoreFolder, AccessorFollowsTheLivingStore)
{
    {
        LauncherImageStore store;
        EXPECT_FALSE(LauncherImageStore::chromeImage(DialogFrameTop).isNull());
    }
    EXPECT_EQ(LauncherImageStore::instance(), nullptr);
    EXPECT_TRUE(LauncherImageStore::chromeImage(DialogFrameTop).isNull());
}

TEST(ImageStoreFiles, RelativeNames)
{
    EXPECT_EQ(LauncherImageStore::imageFileName(0), QStringLiteral("common/PXO_AppIcon_Md.png"));
    EXPECT_EQ(LauncherImageStore::imageFileName(13), QStringLiteral("widgets/E_WinClose_N.png"));
    EXPECT_EQ(LauncherImageStore::maskFileName(3), QStringLiteral("common/E_WinFrameLR_Mask.bmp"));
    EXPECT_TRUE(LauncherImageStore::imageFileName(16).isEmpty());
    EXPECT_TRUE(LauncherImageStore::maskFileName(4).isEmpty());
}

// The launcher itself, started from a folder whose chrome lacks one mask: it must show the
// missing-files alert and end with 0 before any window exists.
TEST(LauncherStartup, MissingChromeShowsTheMissingFilesAlertAndEndsWithZero)
{
    TestEnvironment env;
    const QString app = env.root() + QStringLiteral("/app");
    ASSERT_TRUE(QDir().mkpath(app + QStringLiteral("/Assets/locale")));
    ASSERT_TRUE(copyBitmaps(app + QStringLiteral("/Assets")));
    ASSERT_TRUE(
        QFile::remove(app + QStringLiteral("/Assets/bitmaps/common/E_WinFrameLR_Mask.bmp")));
    const QString launcher = app + QStringLiteral("/PixtrelOrvana");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESSALY_BINARY_DIR "/source/PixtrelOrvana"), launcher));

    const QString boxes = env.root() + QStringLiteral("/boxes.jsonl");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESSALY_MESSAGEBOX_LOG"), boxes);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("tessaly.launcher.debug=true"));
    process.setProcessEnvironment(environment);
    process.start(launcher, {});
    ASSERT_TRUE(process.waitForFinished(30000)) << "the launcher did not end";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QString trace = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(trace.contains(QStringLiteral("Mask file not found: common/E_WinFrameLR_Mask.bmp")))
        << trace.toStdString();

    QFile log(boxes);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QJsonObject alert;
    for (const QByteArray &line : lines) {
        const QJsonObject box = QJsonDocument::fromJson(line).object();
        if (box.value(QLatin1String("text")).toString().contains(QLatin1String("missing file")))
            alert = box;
    }
    ASSERT_FALSE(alert.isEmpty()) << "no missing-files alert";
    EXPECT_EQ(alert.value(QLatin1String("icon")).toString(), QStringLiteral("critical"));
    EXPECT_EQ(alert.value(QLatin1String("title")).toString(), QStringLiteral("Orvana Organizer"));
    EXPECT_EQ(alert.value(QLatin1String("text")).toString(),
              QStringLiteral("Pixtrel Orvana cannot start or continue because of missing file(s). "
                             "Please reinstall."));
    EXPECT_EQ(alert.value(QLatin1String("buttons")).toArray(), QJsonArray{QStringLiteral("OK")});
}
