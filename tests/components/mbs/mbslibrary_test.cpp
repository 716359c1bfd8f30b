// Our membership-services library through its exported functions, as the launcher's bridge
// reaches it: the client id, the library interface, and what the content manager lists.

#include "platform/registry/ptsettings.h"
#include "services/mbsbridge.h"
#include "services/mbscontentitem.h"
#include "services/mbslibraryinterface.h"
#include "services/mbsref.h"
#include "services/mbsvaluesupport.h"
#include "tests/components/mbs/feedbuilder.h"
#include "tests/components/mbs/mbstestsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

bool isLowerCaseGuid(const QString &text)
{
    static const QRegularExpression guid(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return guid.match(text).hasMatch();
}

class MbsLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        library.setFileName(MbsTestFolder::libraryFile());
        ASSERT_TRUE(library.load()) << library.errorString().toStdString();
        getManager = reinterpret_cast<GetMBSContentMgrInterfaceFn>(
            library.resolve("GetMBSContentMgrInterface"));
        getLibrary2 =
            reinterpret_cast<GetMBSLibraryInterface2Fn>(library.resolve("GetMBSLibraryInterface2"));
        getLibrary =
            reinterpret_cast<GetMBSLibraryInterfaceFn>(library.resolve("GetMBSLibraryInterface"));
        ASSERT_TRUE(getManager && getLibrary2 && getLibrary);
    }

    void TearDown() override
    {
        // The manager is the process's: leave it without this test's index and settings.
        MbsBridge(MbsTestFolder::libraryFile()).shutDownContentManager();
    }

    // The identifiers the manager lists for kind after the launcher's start-up with locale.
    QStringList listed(const QString &locale, uint32_t kind = MBS::kKindWelcomeScreenPods)
    {
        MbsBridge bridge(MbsTestFolder::libraryFile());
        MBS::Ref<MBS::ContentMgr> manager(bridge.startContentManager(locale));
        if (!manager)
            return {QStringLiteral("<no manager>")};
        manager->refresh();
        MBS::Ref<MBS::ContentList> list;
        if (manager->listContent(kind, list.put()) != MBS::kSuccess || !list)
            return {QStringLiteral("<no list>")};
        uint32_t count = 0;
        list->getCount(&count);
        QStringList identifiers;
        for (uint32_t i = 0; i < count; ++i) {
            MBS::Ref<MBS::Base> item;
            list->getItem(i, item.put());
            MBS::Ref<MBS::ContentItem> content(
                MBS::queryInterface<MBS::ContentItem>(item.get(), MBS::kCodeContentItem));
            MBS::StringValue *id = nullptr;
            content->getIdentifier(&id);
            identifiers.append(QString::fromStdString(MBS::readStringValue(id)));
        }
        return identifiers;
    }

    MbsTestFolder folder;
    QLibrary library;
    GetMBSContentMgrInterfaceFn getManager = nullptr;
    GetMBSLibraryInterface2Fn getLibrary2 = nullptr;
    GetMBSLibraryInterfaceFn getLibrary = nullptr;
};

TEST_F(MbsLibraryTest, ClientIdIsMadeOnFirstUseAndKept)
{
    const QString first = MbsBridge(MbsTestFolder::libraryFile()).clientId();
    EXPECT_TRUE(isLowerCaseGuid(first)) << first.toStdString();
    EXPECT_NE(first, MbsBridge::builtInClientId());
    PtSettingsCU stored(QStringLiteral("Software\\Tessaly\\MBS"));
    EXPECT_EQ(stored.value(QStringLiteral("ClientId")).toString(), first);
    EXPECT_EQ(MbsBridge(MbsTestFolder::libraryFile()).clientId(), first);
    EXPECT_EQ(MbsBridge::movieClientId(MbsTestFolder::libraryFile()), first);
}

TEST_F(MbsLibraryTest, ClientIdThatIsNoGuidIsReplaced)
{
    for (const QString &bad :
         {QStringLiteral("not an id"), QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"),
          QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")}) {
        MbsTestFolder::setUserValue(QStringLiteral("ClientId"), bad);
        const QString id = MbsBridge(MbsTestFolder::libraryFile()).clientId();
        EXPECT_TRUE(isLowerCaseGuid(id)) << bad.toStdString();
        EXPECT_NE(id, bad);
    }
    MbsTestFolder::setUserValue(QStringLiteral("ClientId"),
                                QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
    EXPECT_EQ(MbsBridge(MbsTestFolder::libraryFile()).clientId(),
              QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
}

TEST_F(MbsLibraryTest, LibraryInterfaceOnlyInVersionOne)
{
    MBS::LibraryInterface *library = reinterpret_cast<MBS::LibraryInterface *>(this);
    EXPECT_EQ(getLibrary2(&library, 2), MBS::kErrorGeneric);
    EXPECT_EQ(library, nullptr);
    EXPECT_EQ(getLibrary2(nullptr, 1), MBS::kErrorGeneric);
    ASSERT_EQ(getLibrary(&library), MBS::kSuccess);
    MBS::Ref<MBS::LibraryInterface> held(library);
    uint32_t version = 0;
    EXPECT_EQ(held->getInterfaceVersion(&version), MBS::kSuccess);
    EXPECT_EQ(version, 1u);
    // The library's content manager is the one of "GetMBSContentMgrInterface".
    MBS::Ref<MBS::ContentMgr> viaLibrary;
    MBS::Ref<MBS::ContentMgr> direct;
    ASSERT_EQ(held->getContentMgr(viaLibrary.put()), MBS::kSuccess);
    ASSERT_EQ(getManager(direct.put()), MBS::kSuccess);
    EXPECT_EQ(viaLibrary.get(), direct.get());
}

TEST_F(MbsLibraryTest, WithoutAFeedTheManagerListsNothing)
{
    EXPECT_EQ(listed(QStringLiteral("en_us")), QStringList());
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"), QStringLiteral("ftp://host/feed"));
    EXPECT_EQ(listed(QStringLiteral("en_us")), QStringList());
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"), QStringLiteral("relative/feed"));
    EXPECT_EQ(listed(QStringLiteral("en_us")), QStringList());
}

TEST_F(MbsLibraryTest, FeedWithoutIndexFailsTheListingWithAReason)
{
    const QString feed = folder.path(QStringLiteral("empty-feed"));
    QDir().mkpath(feed);
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"), feed);
    EXPECT_EQ(listed(QStringLiteral("en_us")), QStringList{QStringLiteral("<no list>")});
    MBS::Ref<MBS::ContentMgr> manager;
    ASSERT_EQ(getManager(manager.put()), MBS::kSuccess);
    MBS::StringValue *error = nullptr;
    ASSERT_EQ(manager->getLastError(&error), MBS::kSuccess);
    EXPECT_NE(MBS::readStringValue(error).find("index"), std::string::npos);
}

TEST_F(MbsLibraryTest, MachineFeedServesWhenTheUserNamesNone)
{
    const QString userFeed = folder.path(QStringLiteral("user-feed"));
    const QString machineFeed = folder.path(QStringLiteral("machine-feed"));
    FeedBuilder()
        .item(QStringLiteral("u"), QStringLiteral("user-item"), QStringLiteral("1"),
              {{QStringLiteral("u.swf"), "u"}})
        .writeTo(userFeed);
    FeedBuilder()
        .item(QStringLiteral("m"), QStringLiteral("machine-item"), QStringLiteral("1"),
              {{QStringLiteral("m.swf"), "m"}})
        .writeTo(machineFeed);
    MbsTestFolder::setMachineValue(QStringLiteral("ContentFeed"), machineFeed);
    EXPECT_EQ(listed(QStringLiteral("en_us")), QStringList{QStringLiteral("machine-item")});
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"),
                                QUrl::fromLocalFile(userFeed).toString());
    EXPECT_EQ(listed(QStringLiteral("en_us")), QStringList{QStringLiteral("user-item")});
}

// The start-up hands the manager "pxo", the locale in lower case and "11.0": items meant for
// another product, locale or version are not offered.
TEST_F(MbsLibraryTest, StartUpValuesChooseTheOfferedItems)
{
    const QString feed = folder.path(QStringLiteral("feed"));
    const QList<FeedBuilder::File> files{{QStringLiteral("p.swf"), "p"}};
    auto only = [](const char *key, const char *value) {
        return QJsonObject{{QLatin1String(key), QJsonArray{QLatin1String(value)}}};
    };
    FeedBuilder()
        .item(QStringLiteral("p"), QStringLiteral("everywhere"), QStringLiteral("1"), files)
        .item(QStringLiteral("p"), QStringLiteral("english"), QStringLiteral("1"), files,
              only("locales", "en_us"))
        .item(QStringLiteral("p"), QStringLiteral("german"), QStringLiteral("1"), files,
              only("locales", "de_de"))
        .item(QStringLiteral("p"), QStringLiteral("ours"), QStringLiteral("1"), files,
              only("products", "pxo"))
        .item(QStringLiteral("p"), QStringLiteral("theirs"), QStringLiteral("1"), files,
              only("products", "pse"))
        .item(QStringLiteral("p"), QStringLiteral("eleven"), QStringLiteral("1"), files,
              only("productVersions", "11.0"))
        .item(QStringLiteral("p"), QStringLiteral("ten"), QStringLiteral("1"), files,
              only("productVersions", "10.0"))
        .item(QStringLiteral("p"), QStringLiteral("movie"), QStringLiteral("1"), files,
              QJsonObject{{QStringLiteral("kind"), QStringLiteral("acms")}})
        .writeTo(feed);
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"), feed);
    EXPECT_EQ(listed(QStringLiteral("EN_US")),
              QStringList({QStringLiteral("everywhere"), QStringLiteral("english"),
                           QStringLiteral("ours"), QStringLiteral("eleven")}));
    EXPECT_EQ(listed(QStringLiteral("de_DE")),
              QStringList({QStringLiteral("everywhere"), QStringLiteral("german"),
                           QStringLiteral("ours"), QStringLiteral("eleven")}));
    EXPECT_EQ(listed(QStringLiteral("en_us"), MBS::kKindApplicationMovies),
              QStringList{QStringLiteral("movie")});
}

TEST_F(MbsLibraryTest, ItemAnswersForBothItsFaces)
{
    const QString feed = folder.path(QStringLiteral("feed"));
    FeedBuilder()
        .item(QStringLiteral("pod"), QStringLiteral("pod-id"), QStringLiteral("7"),
              {{QStringLiteral("pod.swf"), "12345"}, {QStringLiteral("pod.metadata.xml"), "123"}})
        .writeTo(feed);
    MbsTestFolder::setUserValue(QStringLiteral("ContentFeed"), feed);
    MBS::Ref<MBS::ContentMgr> manager(
        MbsBridge(MbsTestFolder::libraryFile()).startContentManager(QStringLiteral("en_us")));
    ASSERT_TRUE(manager);
    MBS::Ref<MBS::ContentList> list;
    ASSERT_EQ(manager->listContent(MBS::kKindWelcomeScreenPods, list.put()), MBS::kSuccess);
    MBS::Ref<MBS::Base> item;
    ASSERT_EQ(list->getItem(0, item.put()), MBS::kSuccess);
    MBS::Base *none = item.get();
    EXPECT_EQ(list->getItem(1, &none), MBS::kErrorGeneric);
    EXPECT_EQ(none, nullptr);
    MBS::Ref<MBS::ContentDownload> download(
        MBS::queryInterface<MBS::ContentDownload>(item.get(), MBS::kCodeContentDownload));
    ASSERT_TRUE(download);
    uint32_t files = 0;
    uint64_t bytes = 0;
    EXPECT_EQ(download->getFileCount(&files), MBS::kSuccess);
    EXPECT_EQ(download->getTotalSize(&bytes), MBS::kSuccess);
    EXPECT_EQ(files, 2u);
    EXPECT_EQ(bytes, 8u);
    EXPECT_EQ(MBS::queryInterface<MBS::Base>(item.get(), MBS::fourCharCode("sint")), nullptr);
    // The download descriptor leads back to the same item.
    MBS::Ref<MBS::ContentItem> content(
        MBS::queryInterface<MBS::ContentItem>(download.get(), MBS::kCodeContentItem));
    ASSERT_TRUE(content);
    MBS::StringValue *version = nullptr;
    content->getVersion(&version);
    EXPECT_EQ(MBS::readStringValue(version), "7");
}

} // namespace
