#include "source/launcherimagestore.h"
#include "source/launcherpixmapsexception.h"
#include "tests/source/chrometestsupport.h"
#include "tests/support/testenvironment.h"

#include <QFile>
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
