// The launcher's side of the membership-services library when the library is missing or is not
// one, and the names a content feed may give its items.

#include "platform/registry/ptsettings.h"
#include "services/mbsbridge.h"
#include "services/mbsitemname.h"
#include "services/ptcontentdownloadbgthread.h"
#include "tests/support/testenvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

namespace {

class MissingLibraryTest : public ::testing::TestWithParam<const char *>
{
protected:
    QString libraryFile() const
    {
        const QString name = QString::fromUtf8(GetParam());
        return name.startsWith(QLatin1Char('/')) ? name
                                                 : environment.root() + QLatin1Char('/') + name;
    }
    TestEnvironment environment;
};

TEST_P(MissingLibraryTest, ClientIdIsTheBuiltInOne)
{
    MbsBridge bridge(libraryFile());
    EXPECT_EQ(bridge.clientId(), QString());
    EXPECT_EQ(MbsBridge::movieClientId(libraryFile()),
              QStringLiteral("00000000-feed-4bad-beef-000000000000"));
}

TEST_P(MissingLibraryTest, NoContentManagerAndThePassDoesNothing)
{
    EXPECT_EQ(MbsBridge(libraryFile()).startContentManager(QStringLiteral("en_us")), nullptr);
    MbsBridge(libraryFile()).shutDownContentManager();

    environment.set("TMPDIR", environment.root());
    PtSettingsCU(QStringLiteral("Software\\Tessaly\\MBS"))
        .setValue(QStringLiteral("ContentFeed"),
                  QString(environment.root() + QStringLiteral("/feed")));
    const QString pods = environment.root() + QStringLiteral("/data/Welcome Screen Pods/");
    const QString existing = environment.root() + QStringLiteral("/existing/");
    QDir().mkpath(existing);
    QFile manifest(existing + QStringLiteral("manifest.txt"));
    ASSERT_TRUE(manifest.open(QIODevice::WriteOnly));
    manifest.write("b 2 a 1");
    manifest.close();
    for (const QString &folder : {pods, existing}) {
        auto thread = std::make_unique<PtContentDownloadBgThread>(nullptr, folder);
        thread->setLibraryFile(libraryFile());
        thread->start();
        ASSERT_TRUE(thread->wait(QDeadlineTimer(30000)));
    }
    EXPECT_FALSE(QFileInfo::exists(pods));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    EXPECT_EQ(manifest.readAll(), QByteArray("b 2 a 1"));
    EXPECT_FALSE(QFileInfo::exists(PtContentDownloadBgThread::scratchFolder()));
}

// A file that does not exist, and real libraries without the entry points.
INSTANTIATE_TEST_SUITE_P(Libraries, MissingLibraryTest,
                         ::testing::Values("libmbs.so", "no-such-folder/mbs",
                                           "/lib/x86_64-linux-gnu/libz.so.1"));

TEST(MbsBridgeTest, ProductVersionIsTheMajorVersionWithZero)
{
    EXPECT_EQ(MbsBridge::productVersionText(), QStringLiteral("11.0"));
}

struct NameRow
{
    const char *name;
    std::string text;
    bool safe;
};

class ItemNameTest : public ::testing::TestWithParam<NameRow>
{
};

TEST_P(ItemNameTest, OnlySingleVisibleFileNamesAreSafe)
{
    EXPECT_EQ(MBS::isSafeItemName(GetParam().text), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ItemNameTest,
    ::testing::Values(NameRow{"Plain", "quick-fix", true},
                      NameRow{"WithDotsInside", "pod.v2.final", true},
                      NameRow{"EightBit", "caf\xc3\xa9", true}, NameRow{"Empty", "", false},
                      NameRow{"Parent", "..", false}, NameRow{"Current", ".", false},
                      NameRow{"GoingUp", "../x", false}, NameRow{"DoubleDotInside", "a..b", false},
                      NameRow{"Slash", "a/b", false}, NameRow{"Backslash", "a\\b", false},
                      NameRow{"Absolute", "/etc", false}, NameRow{"Hidden", ".hidden", false},
                      NameRow{"ControlCharacter", "a\x01z", false},
                      NameRow{"Delete", "a\x7fz", false},
                      NameRow{"Nul", std::string("a\0b", 3), false},
                      NameRow{"Blank", "two words", false}, NameRow{"LineEnd", "a\n", false},
                      NameRow{"LongestAllowed", std::string(MBS::maximumItemNameLength, 'a'), true},
                      NameRow{"TooLong", std::string(MBS::maximumItemNameLength + 1, 'a'), false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
