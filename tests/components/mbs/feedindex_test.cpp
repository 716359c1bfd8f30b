// The content feed's index: what is accepted, what is left out, and the limits.

#include "components/mbs/feedindex.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

const QString kSum =
    QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");

QJsonObject goodFile()
{
    return {{QStringLiteral("name"), QStringLiteral("pod.swf")},
            {QStringLiteral("size"), 4},
            {QStringLiteral("sha256"), kSum}};
}

QJsonObject goodItem()
{
    return {{QStringLiteral("kind"), QStringLiteral("wspd")},
            {QStringLiteral("name"), QStringLiteral("pod")},
            {QStringLiteral("identifier"), QStringLiteral("pod-id")},
            {QStringLiteral("version"), QStringLiteral("3")},
            {QStringLiteral("files"), QJsonArray{goodFile()}}};
}

QByteArray indexOf(const QJsonArray &items)
{
    return QJsonDocument(
               QJsonObject{{QStringLiteral("format"), 1}, {QStringLiteral("items"), items}})
        .toJson();
}

TEST(FeedIndexTest, ReadsAnItemWithItsFiles)
{
    QJsonObject item = goodItem();
    item.insert(QStringLiteral("locales"), QJsonArray{QStringLiteral("EN_us")});
    const FeedIndex::Result result = FeedIndex::parse(indexOf({item}));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.items.size(), 1u);
    const FeedItem &read = result.items[0];
    EXPECT_EQ(read.kind, 0x77737064u);
    EXPECT_EQ(read.name, QStringLiteral("pod"));
    EXPECT_EQ(read.identifier, QStringLiteral("pod-id"));
    EXPECT_EQ(read.version, QStringLiteral("3"));
    EXPECT_TRUE(read.offered);
    EXPECT_EQ(read.locales, QStringList{QStringLiteral("en_us")});
    ASSERT_EQ(read.files.size(), 1u);
    // Without a path a file lies at <identifier>/<version>/<name>.
    EXPECT_EQ(read.files[0].path, QStringLiteral("pod-id/3/pod.swf"));
    EXPECT_EQ(read.files[0].size, 4);
    EXPECT_EQ(read.files[0].sha256.toHex(), kSum.toLatin1());
}

TEST(FeedIndexTest, WithdrawnItemNeedsNoFiles)
{
    QJsonObject item = goodItem();
    item.remove(QStringLiteral("files"));
    item.insert(QStringLiteral("offered"), false);
    const FeedIndex::Result result = FeedIndex::parse(indexOf({item}));
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_FALSE(result.items[0].offered);
}

struct ItemRow
{
    const char *name;
    const char *key;  // field of the item (or of its file, when inFile) to change
    QJsonValue value; // undefined: remove the field
    bool inFile;
};

class FeedIndexItemTest : public ::testing::TestWithParam<ItemRow>
{
};

TEST_P(FeedIndexItemTest, ItemBreakingARuleIsLeftOutAndTheRestKept)
{
    const ItemRow row = GetParam();
    QJsonObject item = goodItem();
    QJsonObject fileObject = goodFile();
    QJsonObject &target = row.inFile ? fileObject : item;
    if (row.value.isUndefined())
        target.remove(QLatin1String(row.key));
    else
        target.insert(QLatin1String(row.key), row.value);
    if (row.inFile)
        item.insert(QStringLiteral("files"), QJsonArray{fileObject});
    QJsonObject other = goodItem();
    other.insert(QStringLiteral("identifier"), QStringLiteral("other"));
    const FeedIndex::Result result = FeedIndex::parse(indexOf({item, other}));
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_EQ(result.items[0].identifier, QStringLiteral("other"));
    EXPECT_EQ(result.warnings.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FeedIndexItemTest,
    ::testing::Values(
        ItemRow{"NoKind", "kind", QJsonValue::Undefined, false},
        ItemRow{"KindOfThreeCharacters", "kind", QStringLiteral("wsp"), false},
        ItemRow{"NoName", "name", QJsonValue::Undefined, false},
        ItemRow{"EmptyIdentifier", "identifier", QString(), false},
        ItemRow{"VersionNotText", "version", 3, false},
        ItemRow{"OfferedNotBoolean", "offered", QStringLiteral("yes"), false},
        ItemRow{"LocalesNotAList", "locales", QStringLiteral("en_us"), false},
        ItemRow{"OfferedWithoutFiles", "files", QJsonValue::Undefined, false},
        ItemRow{"EmptyFileList", "files", QJsonArray(), false},
        ItemRow{"FileNameWithFolder", "name", QStringLiteral("sub/pod.swf"), true},
        ItemRow{"FileNameGoingUp", "name", QStringLiteral("../pod.swf"), true},
        ItemRow{"HiddenFileName", "name", QStringLiteral(".pod.swf"), true},
        ItemRow{"FileNamedLikeTheManifest", "name", QStringLiteral("Manifest.TXT"), true},
        ItemRow{"PathGoingUp", "path", QStringLiteral("a/../../etc/passwd"), true},
        ItemRow{"AbsolutePath", "path", QStringLiteral("/etc/passwd"), true},
        ItemRow{"PathWithAddress", "path", QStringLiteral("http://elsewhere/x"), true},
        ItemRow{"NegativeSize", "size", -1, true}, ItemRow{"FractionalSize", "size", 1.5, true},
        ItemRow{"SizeAsText", "size", QStringLiteral("4"), true},
        ItemRow{"ShortSum", "sha256", kSum.left(63), true},
        ItemRow{"SumNotHex", "sha256", QString(64, QLatin1Char('g')), true},
        ItemRow{"NoSum", "sha256", QJsonValue::Undefined, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FeedIndexTest, SameIdentifierOfOneKindTwiceKeepsTheFirst)
{
    QJsonObject second = goodItem();
    second.insert(QStringLiteral("version"), QStringLiteral("4"));
    QJsonObject otherKind = goodItem();
    otherKind.insert(QStringLiteral("kind"), QStringLiteral("acms"));
    const FeedIndex::Result result = FeedIndex::parse(indexOf({goodItem(), second, otherKind}));
    ASSERT_EQ(result.items.size(), 2u);
    EXPECT_EQ(result.items[0].version, QStringLiteral("3"));
    EXPECT_EQ(result.items[1].kind, 0x61636D73u);
}

TEST(FeedIndexTest, RefusesAnIndexThatIsNotOfFormatOne)
{
    for (const QByteArray &text :
         {QByteArray("not json"), QByteArray("[]"), QByteArray(R"({"items": []})"),
          QByteArray(R"({"format": 2, "items": []})"), QByteArray(R"({"format": 1})"),
          QByteArray(R"({"format": 1, "items": {}})")}) {
        const FeedIndex::Result result = FeedIndex::parse(text);
        EXPECT_FALSE(result.ok) << text.constData();
        EXPECT_FALSE(result.error.isEmpty()) << text.constData();
        EXPECT_TRUE(result.items.empty());
    }
}

TEST(FeedIndexTest, ItemCountLimit)
{
    for (const int count :
         {FeedIndex::maximumItems - 1, FeedIndex::maximumItems, FeedIndex::maximumItems + 1}) {
        QJsonArray items;
        for (int i = 0; i < count; ++i) {
            QJsonObject item = goodItem();
            item.insert(QStringLiteral("identifier"), QStringLiteral("id%1").arg(i));
            items.append(item);
        }
        const FeedIndex::Result result = FeedIndex::parse(indexOf(items));
        EXPECT_EQ(result.ok, count <= FeedIndex::maximumItems) << count;
        EXPECT_EQ(int(result.items.size()), count <= FeedIndex::maximumItems ? count : 0);
    }
}

TEST(FeedIndexTest, FilesPerItemLimit)
{
    for (const int count : {FeedIndex::maximumFilesPerItem, FeedIndex::maximumFilesPerItem + 1}) {
        QJsonArray files;
        for (int i = 0; i < count; ++i) {
            QJsonObject f = goodFile();
            f.insert(QStringLiteral("name"), QStringLiteral("f%1.swf").arg(i));
            files.append(f);
        }
        QJsonObject item = goodItem();
        item.insert(QStringLiteral("files"), files);
        EXPECT_EQ(FeedIndex::parse(indexOf({item})).items.size(),
                  count <= FeedIndex::maximumFilesPerItem ? 1u : 0u)
            << count;
    }
}

TEST(FeedIndexTest, IndexSizeLimit)
{
    QByteArray text = indexOf({goodItem()});
    text.append(QByteArray(FeedIndex::maximumIndexSize - text.size(), ' '));
    EXPECT_TRUE(FeedIndex::parse(text).ok);
    text.append(' ');
    EXPECT_FALSE(FeedIndex::parse(text).ok);
}

} // namespace
