// The content download thread against our membership-services library, over a feed folder and
// over HTTP: what a pass downloads, keeps, withdraws and records, and what it never touches.

#include "services/ptcontentdownloadbgthread.h"
#include "tests/components/mbs/feedbuilder.h"
#include "tests/components/mbs/feedhttpserver.h"
#include "tests/components/mbs/mbstestsupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

enum class Transport { Folder, Http };

const char *transportName(Transport transport)
{
    return transport == Transport::Folder ? "Folder" : "Http";
}

FeedBuilder::File file(const char *name, const char *content)
{
    return {QString::fromUtf8(name), QByteArray(content)};
}

// The usual files of one pod.
QList<FeedBuilder::File> podFiles(const QString &name, const QByteArray &tag)
{
    return {{name + QStringLiteral(".metadata.xml"), "<pod>" + tag + "</pod>"},
            {name + QStringLiteral(".swf"), "movie " + tag}};
}

class ContentDownloadFixture
{
protected:
    ContentDownloadFixture()
        : pods(folder.path(QStringLiteral("data/Locale/en_us/Welcome Screen Pods/")))
        , feedFolder(folder.path(QStringLiteral("feed")))
    {
    }

    void publish(const FeedBuilder &feed, Transport transport)
    {
        if (transport == Transport::Folder) {
            feed.writeTo(feedFolder);
            MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"), feedFolder);
        } else {
            feed.serveOn(server, QStringLiteral("feed"));
            MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"),
                                        server.url(QStringLiteral("feed/")).toString());
        }
    }

    std::unique_ptr<PtContentDownloadBgThread> makeThread()
    {
        auto thread = std::make_unique<PtContentDownloadBgThread>(nullptr, pods);
        thread->setLibraryFile(MbsTestFolder::libraryFile());
        thread->setLocaleCode(QStringLiteral("en_US"));
        return thread;
    }

    // One pass, then the thread's destruction, as the launcher's shut-down does it.
    void runPass()
    {
        auto thread = makeThread();
        thread->start();
        ASSERT_TRUE(thread->wait(QDeadlineTimer(60s)));
    }

    QString pod(const QString &name) const { return pods + name; }
    QByteArray manifest() const { return readFile(pod(QStringLiteral("manifest.txt"))); }
    QString scratch() const { return folder.path(QStringLiteral("tmp/WelcomeScreen")); }

    MbsTestFolder folder;
    FeedHttpServer server;
    const QString pods;
    const QString feedFolder;
};

class ContentDownloadTest : public ContentDownloadFixture,
                            public ::testing::TestWithParam<Transport>
{
};

TEST_P(ContentDownloadTest, NewItemIsDownloadedAndRecorded)
{
    publish(FeedBuilder().item(QStringLiteral("quick-fix"), QStringLiteral("quick-fix"),
                               QStringLiteral("2"), podFiles(QStringLiteral("quick-fix"), "v2")),
            GetParam());
    runPass();
    EXPECT_EQ(readFile(pod(QStringLiteral("quick-fix.swf"))), QByteArray("movie v2"));
    EXPECT_EQ(readFile(pod(QStringLiteral("quick-fix.metadata.xml"))), QByteArray("<pod>v2</pod>"));
    EXPECT_EQ(manifest(), QByteArray("quick-fix 2\n"));
    EXPECT_FALSE(QFileInfo::exists(scratch()));
}

TEST_P(ContentDownloadTest, WithdrawnItemLosesItsFilesAndManifestLine)
{
    writeFile(pod(QStringLiteral("old.swf")), "old movie");
    writeFile(pod(QStringLiteral("old.metadata.xml")), "old meta");
    writeFile(pod(QStringLiteral("old.xml")), "not the pod's own file");
    writeFile(pod(QStringLiteral("keep.swf")), "kept movie");
    writeFile(pod(QStringLiteral("manifest.txt")), "keep 1\nold 3\n");
    publish(FeedBuilder()
                .withdrawn(QStringLiteral("old"), QStringLiteral("old"))
                .item(QStringLiteral("keep"), QStringLiteral("keep"), QStringLiteral("1"),
                      podFiles(QStringLiteral("keep"), "new")),
            GetParam());
    runPass();
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("old.swf"))));
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("old.metadata.xml"))));
    EXPECT_EQ(readFile(pod(QStringLiteral("old.xml"))), QByteArray("not the pod's own file"));
    EXPECT_EQ(readFile(pod(QStringLiteral("keep.swf"))), QByteArray("kept movie"));
    EXPECT_EQ(manifest(), QByteArray("keep 1\n"));
}

// Guards against a manifest left listing items whose files are gone when the last one goes.
TEST_P(ContentDownloadTest, WithdrawingTheLastItemLeavesNoStaleManifest)
{
    writeFile(pod(QStringLiteral("old.swf")), "old movie");
    writeFile(pod(QStringLiteral("manifest.txt")), "old 3\n");
    publish(FeedBuilder().withdrawn(QStringLiteral("old"), QStringLiteral("old")), GetParam());
    runPass();
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("old.swf"))));
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("manifest.txt"))));
}

// Guards against a withdrawn item whose identifier differs from its name staying recorded.
TEST_P(ContentDownloadTest, WithdrawnItemIsForgottenUnderItsIdentifierToo)
{
    writeFile(pod(QStringLiteral("tour.swf")), "movie");
    writeFile(pod(QStringLiteral("manifest.txt")), "other 1\ntour-id 4\n");
    publish(FeedBuilder().withdrawn(QStringLiteral("tour"), QStringLiteral("tour-id")), GetParam());
    runPass();
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("tour.swf"))));
    EXPECT_EQ(manifest(), QByteArray("other 1\n"));
}

TEST_P(ContentDownloadTest, LeftoverScratchFolderIsDeletedBeforeTheFirstDownload)
{
    writeFile(scratch() + QStringLiteral("/stale.swf"), "from an earlier pass");
    writeFile(scratch() + QStringLiteral("/sub/thumbs.db"), "thumbnails");
    publish(FeedBuilder().item(QStringLiteral("fresh"), QStringLiteral("fresh"),
                               QStringLiteral("1"), podFiles(QStringLiteral("fresh"), "1")),
            GetParam());
    runPass();
    EXPECT_EQ(readFile(pod(QStringLiteral("fresh.swf"))), QByteArray("movie 1"));
    // Had the leftovers stayed, the copy of the first download would have carried them along.
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("stale.swf"))));
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("sub"))));
    EXPECT_FALSE(QFileInfo::exists(scratch()));
}

TEST_P(ContentDownloadTest, ReadOnlyPreviousVersionIsReplaced)
{
    writeFile(pod(QStringLiteral("pod.swf")), "old movie");
    QFile::setPermissions(pod(QStringLiteral("pod.swf")), QFileDevice::ReadOwner);
    writeFile(pod(QStringLiteral("manifest.txt")), "pod 1\n");
    publish(FeedBuilder().item(QStringLiteral("pod"), QStringLiteral("pod"), QStringLiteral("2"),
                               {file("pod.swf", "new movie")}),
            GetParam());
    runPass();
    EXPECT_EQ(readFile(pod(QStringLiteral("pod.swf"))), QByteArray("new movie"));
    EXPECT_TRUE(QFileInfo(pod(QStringLiteral("pod.swf"))).permissions() & QFileDevice::WriteOwner);
    EXPECT_EQ(manifest(), QByteArray("pod 2\n"));
}

// Guards against following a symbolic link planted where the scratch folder goes.
TEST_P(ContentDownloadTest, ScratchFolderThatIsALinkIsRemovedNotFollowed)
{
    const QString elsewhere = folder.path(QStringLiteral("elsewhere"));
    writeFile(elsewhere + QStringLiteral("/keep.txt"), "keep");
    ASSERT_TRUE(QFile::link(elsewhere, scratch()));
    publish(FeedBuilder().item(QStringLiteral("pod"), QStringLiteral("pod"), QStringLiteral("1"),
                               {file("pod.swf", "movie")}),
            GetParam());
    runPass();
    EXPECT_EQ(snapshot(elsewhere),
              (QMap<QString, QByteArray>{{QStringLiteral("keep.txt"), "keep"}}));
    EXPECT_FALSE(QFileInfo(scratch()).isSymLink());
    EXPECT_EQ(readFile(pod(QStringLiteral("pod.swf"))), QByteArray("movie"));
}

// Guards against deleting, or downloading into, another user's scratch folder in a shared
// temporary folder.
TEST_P(ContentDownloadTest, AnotherUsersScratchFolderIsLeftAlone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs to give a folder to another user";
    writeFile(scratch() + QStringLiteral("/theirs.txt"), "theirs");
    const QByteArray path = QFile::encodeName(scratch());
    ASSERT_EQ(::chown(path.constData(), 4242, 4242), 0);
    ASSERT_EQ(::chmod(path.constData(), 0755), 0);
    publish(FeedBuilder().item(QStringLiteral("pod"), QStringLiteral("pod"), QStringLiteral("1"),
                               {file("pod.swf", "movie")}),
            GetParam());
    runPass();
    EXPECT_EQ(readFile(scratch() + QStringLiteral("/theirs.txt")), QByteArray("theirs"));
    EXPECT_EQ(readFile(pod(QStringLiteral("pod.swf"))), QByteArray("movie"));
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("theirs.txt"))));
    EXPECT_EQ(
        QDir(folder.path(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("WelcomeScreen")});
}

TEST_P(ContentDownloadTest, EmptyListLeavesTheFolderButRewritesAManifest)
{
    writeFile(pod(QStringLiteral("a.swf")), "a movie");
    writeFile(pod(QStringLiteral("b.metadata.xml")), "b meta");
    writeFile(pod(QStringLiteral("manifest.txt")), "b 2   a\t1 ");
    publish(FeedBuilder(), GetParam());
    auto before = snapshot(pods);
    runPass();
    auto after = snapshot(pods);
    EXPECT_EQ(after.take(QStringLiteral("manifest.txt")), QByteArray("a 1\nb 2\n"));
    before.remove(QStringLiteral("manifest.txt"));
    EXPECT_EQ(after, before);
}

TEST_P(ContentDownloadTest, EmptyListWithoutManifestChangesNothing)
{
    writeFile(pod(QStringLiteral("a.swf")), "a movie");
    publish(FeedBuilder(), GetParam());
    const auto before = snapshot(pods);
    runPass();
    EXPECT_EQ(snapshot(pods), before);
}

TEST_P(ContentDownloadTest, ManifestWithAnOddNumberOfTokensIsReadAsEmpty)
{
    writeFile(pod(QStringLiteral("a.swf")), "old a");
    writeFile(pod(QStringLiteral("manifest.txt")), "a 1 b");
    publish(FeedBuilder().item(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("1"),
                               podFiles(QStringLiteral("a"), "a1")),
            GetParam());
    runPass();
    // "a 1" was discarded with the incomplete pair, so version 1 counts as new.
    EXPECT_EQ(readFile(pod(QStringLiteral("a.swf"))), QByteArray("movie a1"));
    EXPECT_EQ(manifest(), QByteArray("a 1\n"));
}

// Guards against writing through symbolic links planted in the pods folder.
TEST_P(ContentDownloadTest, SymbolicLinksInThePodsFolderAreReplacedNotFollowed)
{
    const QString outside = folder.path(QStringLiteral("outside.txt"));
    const QString outsideManifest = folder.path(QStringLiteral("outside-manifest.txt"));
    writeFile(outside, "precious");
    writeFile(outsideManifest, "precious");
    QDir().mkpath(pods);
    ASSERT_TRUE(QFile::link(outside, pod(QStringLiteral("evil.swf"))));
    ASSERT_TRUE(QFile::link(outsideManifest, pod(QStringLiteral("manifest.txt"))));
    publish(FeedBuilder().item(QStringLiteral("evil"), QStringLiteral("evil"), QStringLiteral("1"),
                               {file("evil.swf", "new movie")}),
            GetParam());
    runPass();
    EXPECT_EQ(readFile(outside), QByteArray("precious"));
    EXPECT_EQ(readFile(outsideManifest), QByteArray("precious"));
    EXPECT_FALSE(QFileInfo(pod(QStringLiteral("evil.swf"))).isSymLink());
    EXPECT_EQ(readFile(pod(QStringLiteral("evil.swf"))), QByteArray("new movie"));
    EXPECT_FALSE(QFileInfo(pod(QStringLiteral("manifest.txt"))).isSymLink());
    EXPECT_TRUE(manifest().contains("evil 1\n"));
}

INSTANTIATE_TEST_SUITE_P(Transports, ContentDownloadTest,
                         ::testing::Values(Transport::Folder, Transport::Http),
                         [](const auto &info) { return transportName(info.param); });

// Names and identifiers from the feed that would reach outside the pods folder or hide there.
class UnsafeItemNameTest : public ContentDownloadFixture,
                           public ::testing::TestWithParam<const char *>
{
};

TEST_P(UnsafeItemNameTest, IsSkippedAndNothingOutsideThePodsFolderChanges)
{
    const QString unsafe = QString::fromUtf8(GetParam());
    const QString data = folder.path(QStringLiteral("data"));
    // What "../x", "../../x" and friends would reach from the pods folder.
    writeFile(pods + QStringLiteral("../x.swf"), "outside x");
    writeFile(pods + QStringLiteral("../x.metadata.xml"), "outside x meta");
    writeFile(folder.path(QStringLiteral("data/Locale/x.swf")), "further out");
    writeFile(pod(QStringLiteral("manifest.txt")), "good 0\n");
    publish(FeedBuilder()
                .withdrawn(unsafe, QStringLiteral("withdrawn-id"))
                .item(QStringLiteral("y"), unsafe, QStringLiteral("1"), {file("y.swf", "y")})
                .item(QStringLiteral("good"), QStringLiteral("good"), QStringLiteral("1"),
                      {file("good.swf", "good movie")}),
            Transport::Folder);
    auto outsideBefore = snapshot(data);
    runPass();
    auto outsideAfter = snapshot(data);
    // Only the pods folder may change, and in it only the safe item's file and the manifest.
    const QString prefix = QDir(data).relativeFilePath(pods);
    for (auto *files : {&outsideBefore, &outsideAfter}) {
        for (auto it = files->begin(); it != files->end();)
            it = it.key().startsWith(prefix) ? files->erase(it) : std::next(it);
    }
    EXPECT_EQ(outsideAfter, outsideBefore);
    EXPECT_EQ(manifest(), QByteArray("good 1\n"));
    EXPECT_EQ(readFile(pod(QStringLiteral("good.swf"))), QByteArray("good movie"));
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("y.swf"))));
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeItemNameTest,
                         ::testing::Values("../x", "a/b", "..", "../../x", "a\\b", ".hidden",
                                           "x\x01y", "two words", "/abs"));

class ContentDownloadHttpTest : public ContentDownloadFixture, public ::testing::Test
{
};

TEST_F(ContentDownloadHttpTest, ItemWhoseVersionEqualsTheManifestsIsNotFetchedAgain)
{
    writeFile(pod(QStringLiteral("kept.swf")), "kept movie");
    writeFile(pod(QStringLiteral("manifest.txt")), "kept 2\n");
    publish(FeedBuilder()
                .item(QStringLiteral("kept"), QStringLiteral("kept"), QStringLiteral("2"),
                      podFiles(QStringLiteral("kept"), "other"))
                .item(QStringLiteral("fresh"), QStringLiteral("fresh"), QStringLiteral("1"),
                      podFiles(QStringLiteral("fresh"), "1")),
            Transport::Http);
    runPass();
    const QStringList requests = server.requests();
    EXPECT_TRUE(requests.contains(QStringLiteral("/feed/index.json")));
    EXPECT_TRUE(requests.contains(QStringLiteral("/feed/") +
                                  FeedBuilder::pathOf(QStringLiteral("fresh"), QStringLiteral("1"),
                                                      QStringLiteral("fresh.swf"))));
    for (const QString &request : requests)
        EXPECT_FALSE(request.contains(QStringLiteral("6b657074"))) << request.toStdString();
    EXPECT_EQ(readFile(pod(QStringLiteral("kept.swf"))), QByteArray("kept movie"));
    EXPECT_EQ(manifest(), QByteArray("fresh 1\nkept 2\n"));
}

enum class Failure { ServerError, ShortBody, WrongChecksum, Stall, MissingFile, TooLarge };

struct FailureRow
{
    const char *name;
    Transport transport;
    Failure failure;
};

class FailedDownloadTest : public ContentDownloadFixture,
                           public ::testing::TestWithParam<FailureRow>
{
};

TEST_P(FailedDownloadTest, KeepsThePreviousFilesAndManifestEntry)
{
    const FailureRow row = GetParam();
    writeFile(pod(QStringLiteral("pod.swf")), "old movie");
    writeFile(pod(QStringLiteral("pod.metadata.xml")), "old meta");
    writeFile(pod(QStringLiteral("manifest.txt")), "pod 1\n");
    // The movie is the second file: the first one arrives intact and must not be kept either.
    const FeedBuilder feed =
        FeedBuilder()
            .item(QStringLiteral("pod"), QStringLiteral("pod"), QStringLiteral("2"),
                  {file("pod.metadata.xml", "new meta"), file("pod.swf", "new movie")})
            .item(QStringLiteral("other"), QStringLiteral("other"), QStringLiteral("1"),
                  {file("other.swf", "other movie")});
    publish(feed, row.transport);
    const QString moviePath =
        FeedBuilder::pathOf(QStringLiteral("pod"), QStringLiteral("2"), QStringLiteral("pod.swf"));
    const QString served = QStringLiteral("/feed/") + moviePath;
    const QString stored = QDir(feedFolder).filePath(moviePath);
    switch (row.failure) {
    case Failure::ServerError:
        server.setResponse(served, {500, "broken"});
        break;
    case Failure::ShortBody:
        server.setResponse(served, {200, "new mo", 9});
        break;
    case Failure::WrongChecksum:
        if (row.transport == Transport::Http)
            server.setBody(served, "NEW MOVIE");
        else
            writeFile(stored, "NEW MOVIE");
        break;
    case Failure::Stall:
        // Long enough for the answers that do come on a loaded machine.
        MbsTestFolder::setUserValue(QStringLiteral("DownloadTimeout"), 1500);
        server.setResponse(served, {200, {}, -1, true});
        break;
    case Failure::MissingFile:
        if (row.transport == Transport::Http)
            server.setResponse(served, {404, "gone"});
        else
            QFile::remove(stored);
        break;
    case Failure::TooLarge:
        // "other" (11 bytes) fits, "pod" (17 bytes) does not.
        MbsTestFolder::setUserValue(QStringLiteral("DownloadSizeLimit"), 16);
        break;
    }
    runPass();
    EXPECT_EQ(readFile(pod(QStringLiteral("pod.swf"))), QByteArray("old movie"));
    EXPECT_EQ(readFile(pod(QStringLiteral("pod.metadata.xml"))), QByteArray("old meta"));
    EXPECT_EQ(manifest(), QByteArray("other 1\npod 1\n"));
    EXPECT_EQ(readFile(pod(QStringLiteral("other.swf"))), QByteArray("other movie"));
    const QStringList left = QDir(pods).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(left, QStringList({QStringLiteral("manifest.txt"), QStringLiteral("other.swf"),
                                 QStringLiteral("pod.metadata.xml"), QStringLiteral("pod.swf")}));
    EXPECT_FALSE(QFileInfo::exists(scratch()));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedDownloadTest,
    ::testing::Values(FailureRow{"HttpServerError", Transport::Http, Failure::ServerError},
                      FailureRow{"HttpShortBody", Transport::Http, Failure::ShortBody},
                      FailureRow{"HttpWrongChecksum", Transport::Http, Failure::WrongChecksum},
                      FailureRow{"HttpTimeOut", Transport::Http, Failure::Stall},
                      FailureRow{"HttpMissingFile", Transport::Http, Failure::MissingFile},
                      FailureRow{"HttpTooLarge", Transport::Http, Failure::TooLarge},
                      FailureRow{"FolderWrongChecksum", Transport::Folder, Failure::WrongChecksum},
                      FailureRow{"FolderMissingFile", Transport::Folder, Failure::MissingFile},
                      FailureRow{"FolderTooLarge", Transport::Folder, Failure::TooLarge}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ContentDownloadHttpTest, DestructionWritesTheManifestThePassDidNotWrite)
{
    writeFile(pod(QStringLiteral("manifest.txt")), "z 9   a 1");
    // Only a cancel can end this download: the server never answers and the time-out is long.
    MbsTestFolder::setUserValue(QStringLiteral("DownloadTimeout"), 600000);
    publish(FeedBuilder().item(QStringLiteral("slow"), QStringLiteral("slow"), QStringLiteral("1"),
                               {file("slow.swf", "slow movie")}),
            Transport::Http);
    const QString slowPath =
        QStringLiteral("/feed/") + FeedBuilder::pathOf(QStringLiteral("slow"), QStringLiteral("1"),
                                                       QStringLiteral("slow.swf"));
    server.setResponse(slowPath, {200, {}, -1, true});
    auto thread = makeThread();
    thread->start();
    ASSERT_TRUE(server.waitForRequest(slowPath, 30s));
    thread.reset();
    EXPECT_EQ(manifest(), QByteArray("a 1\nz 9\n"));
    EXPECT_FALSE(QFileInfo::exists(pod(QStringLiteral("slow.swf"))));
    EXPECT_FALSE(QFileInfo::exists(scratch()));
}

// The demo feed of the repository: its index matches its files, and a pass fills an empty pods
// folder with the three sample pods, quick-fix in its newer version.
TEST_F(ContentDownloadHttpTest, DemoFeedFillsAnEmptyPodsFolder)
{
    const QString assets = QStringLiteral(TESSALY_SOURCE_DIR "/assets/");
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"),
                                QString(assets + QStringLiteral("feed")));
    runPass();
    EXPECT_EQ(manifest(), QByteArray("learn-tutorials 1\norganize-catalog 1\nquick-fix 2\n"));
    for (const char *name : {"learn-tutorials.metadata.xml", "organize-catalog.metadata.xml"})
        EXPECT_EQ(readFile(pod(QLatin1String(name))),
                  readFile(assets + QStringLiteral("pods/") + QLatin1String(name)))
            << name;
    for (const char *name : {"quick-fix.metadata.xml", "quick-fix.swf"}) {
        EXPECT_EQ(readFile(pod(QLatin1String(name))),
                  readFile(assets + QStringLiteral("feed/quick-fix/2/") + QLatin1String(name)))
            << name;
        EXPECT_NE(readFile(pod(QLatin1String(name))),
                  readFile(assets + QStringLiteral("pods/") + QLatin1String(name)))
            << name;
    }
}

TEST_F(ContentDownloadHttpTest, ThreadThatNeverRanWritesNothing)
{
    writeFile(pod(QStringLiteral("manifest.txt")), "z 9   a 1");
    makeThread().reset();
    EXPECT_EQ(manifest(), QByteArray("z 9   a 1"));
}

} // namespace
