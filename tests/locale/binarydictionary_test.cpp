#include "locale/dictionaryhash.h"
#include "locale/dictionarywriter.h"
#include "locale/zstringdictionary.h"

#include "tests/support/testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace basekit_private;
using Format = DictionaryWriter::Format;

namespace {

QList<DictionaryEntry> sampleEntries(int count = 40, const QByteArray &prefix = "/Sample/Key")
{
    QList<DictionaryEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.append({prefix + QByteArray::number(i), QStringLiteral("Wert %1 ä€😀").arg(i)});
    return entries;
}

QByteArray written(const QList<DictionaryEntry> &entries, Format format,
                   DictionaryWriter::Options options = {})
{
    const auto result = DictionaryWriter::write(entries, format, options);
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    return result.data;
}

void expectAllFound(const ZStringDictionary &dictionary, const QList<DictionaryEntry> &entries)
{
    for (const DictionaryEntry &entry : entries)
        EXPECT_EQ(dictionary.find(entry.key), entry.value) << entry.key.constData();
}

class BinaryRoundTrip : public testing::TestWithParam<Format>
{
};

TEST_P(BinaryRoundTrip, everyEntryReadsBack)
{
    const auto entries = sampleEntries();
    ZStringDictionary dictionary;
    dictionary.loadData(written(entries, GetParam()));
    EXPECT_TRUE(dictionary.isValid());
    expectAllFound(dictionary, entries);
    EXPECT_EQ(dictionary.entries().size(), entries.size());
    EXPECT_EQ(dictionary.translate("$$$/Sample/Missing=fallback"), QStringLiteral("fallback"));
}

INSTANTIATE_TEST_SUITE_P(Versions, BinaryRoundTrip,
                         testing::Values(Format::Version1_0, Format::Version1_5, Format::Version2_0,
                                         Format::Version2_1, Format::Version2_1BigEndian));

TEST(BinaryDictionary, version2StoresInTablesAndKeepsHeaderString)
{
    DictionaryWriter::Options options;
    options.headerString = "de_de build 7";
    ZStringDictionary dictionary;
    dictionary.loadData(written(sampleEntries(), Format::Version2_1, options));
    EXPECT_EQ(dictionary.storageMode(), ZStringDictionary::StorageMode::Tables);
    EXPECT_EQ(dictionary.headerString(), QByteArray("de_de build 7"));
}

TEST(BinaryDictionary, bigEndianFileIsSwappedOnReading)
{
    const auto entries = sampleEntries();
    const QByteArray be = written(entries, Format::Version2_1BigEndian);
    ASSERT_EQ(be[24], 1);
    // The entry count of the table sits after the header string, most significant byte first.
    const qsizetype table = 25 + 4 + qsizetype(qFromBigEndian<quint32>(be.constData() + 25));
    EXPECT_EQ(qFromBigEndian<quint32>(be.constData() + table + 5), quint32(entries.size()));
    ZStringDictionary dictionary;
    dictionary.loadData(be);
    expectAllFound(dictionary, entries);
}

#ifdef ZSTRING_TOOL_PATH
TEST(BinaryDictionary, bigEndian21FileFromZStringTool)
{
    TestEnvironment env;
    const QString source = env.root() + u"/fr.txt";
    const QString target = env.root() + u"/zstring.dct";
    QFile in(source);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write("\"$$$/LauncherWindow/Done=Termin\xC3\xA9\"\n\"$$$/A/B=^[cit\xC3\xA9^]\"\n");
    in.close();
    QProcess tool;
    tool.start(QStringLiteral(ZSTRING_TOOL_PATH),
               {QStringLiteral("compile"), source, target, QStringLiteral("--format"),
                QStringLiteral("2.1-be")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();

    QFile out(target);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    ASSERT_TRUE(bytes.startsWith("ZString Binary Format\x02\x01"));
    EXPECT_EQ(bytes[24], 1);

    ZStringDictionary dictionary;
    ASSERT_TRUE(dictionary.load(target, 91, false));
    EXPECT_TRUE(dictionary.isValid());
    EXPECT_EQ(dictionary.translate("$$$/LauncherWindow/Done=Done"), QStringLiteral("Terminé"));
    EXPECT_EQ(dictionary.translate("$$$/A/B=x"), QStringLiteral("\u201Ccité\u201D"));

    QProcess lookup;
    lookup.start(
        QStringLiteral(ZSTRING_TOOL_PATH),
        {QStringLiteral("lookup"), target, QStringLiteral("$$$/LauncherWindow/Done=Done")});
    ASSERT_TRUE(lookup.waitForFinished(30000));
    EXPECT_EQ(lookup.readAllStandardOutput(), QByteArray("Termin\xC3\xA9\n"));
}
#endif

TEST(BinaryDictionary, version1ValueEncodings)
{
    const QList<DictionaryEntry> entries = {{"/A/B", QStringLiteral("Größe")}};
    DictionaryWriter::Options options;
    options.version1Encoding = 1;
    ZStringDictionary utf8;
    utf8.loadData(written(entries, Format::Version1_5, options));
    EXPECT_EQ(utf8.find("/A/B"), QStringLiteral("Größe"));

    // Any other reserved byte: the values are in the ANSI code page.
    QByteArray ansi = written({{"/A/B", QStringLiteral("x")}}, Format::Version1_0, options);
    ansi[23] = 7;
    ansi.chop(1);
    ansi.append('\xF6');
    ZStringDictionary latin;
    latin.setAnsiCharset("windows-1252");
    latin.loadData(ansi);
    EXPECT_TRUE(latin.isValid());
    EXPECT_EQ(latin.find("/A/B"), QStringLiteral("ö"));
}

TEST(BinaryDictionary, version1UsesBucketNumberOfFile)
{
    // A bucket number that is not the key's hash puts the entry where no lookup finds it.
    QByteArray data = written({{"/A/B", QStringLiteral("x")}}, Format::Version1_0);
    const quint16 right = quint16(dictionaryHash("/A/B", 4));
    const quint16 wrong = right == 0 ? 1 : 0;
    qToLittleEndian(wrong, data.data() + 24 + 2);
    ZStringDictionary dictionary;
    dictionary.loadData(data);
    EXPECT_TRUE(dictionary.isValid());
    EXPECT_EQ(dictionary.find("/A/B"), std::nullopt);
}

struct VersionRow
{
    const char *name;
    char major;
    char minor;
};

class UnsupportedVersion : public testing::TestWithParam<VersionRow>
{
};

TEST_P(UnsupportedVersion, loadsNothing)
{
    QByteArray data = written(sampleEntries(3), Format::Version2_0);
    data[21] = GetParam().major;
    data[22] = GetParam().minor;
    ZStringDictionary dictionary;
    dictionary.loadData(data);
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_TRUE(dictionary.entries().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Versions, UnsupportedVersion,
                         testing::Values(VersionRow{"v3_0", 3, 0}, VersionRow{"v1_1", 1, 1},
                                         VersionRow{"v2_minus1", 2, -1}, VersionRow{"v0_0", 0, 0}),
                         [](const testing::TestParamInfo<VersionRow> &info) {
                             return std::string(info.param.name);
                         });

TEST(BinaryDictionary, unknownByteOrderLoadsNothing)
{
    QByteArray data = written(sampleEntries(3), Format::Version2_1);
    data[24] = 2;
    ZStringDictionary dictionary;
    dictionary.loadData(data);
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_TRUE(dictionary.entries().isEmpty());
}

// Guards against reading past the end of a truncated file, and against losing the tables
// that were whole.
class TruncatedFile : public testing::TestWithParam<Format>
{
};

TEST_P(TruncatedFile, everyPrefixIsSafe)
{
    DictionaryWriter::Options options;
    options.entriesPerTable = 10;
    const auto entries = sampleEntries(20);
    const QByteArray full = written(entries, GetParam(), options);
    for (qsizetype cut = 1; cut < full.size(); ++cut) {
        // A copy of exactly the prefix, so that a read past it is caught by the sanitizers.
        const QByteArray prefix(full.constData(), cut);
        ZStringDictionary dictionary;
        dictionary.loadData(prefix);
        // Cut exactly after the first table, the file is a whole one-table dictionary.
        if (dictionary.isValid()) {
            EXPECT_EQ(dictionary.entries().size(), 10) << "cut at " << cut;
        }
        for (const DictionaryEntry &entry : dictionary.entries())
            EXPECT_TRUE(entries.contains(entry)) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, TruncatedFile,
                         testing::Values(Format::Version1_0, Format::Version1_5, Format::Version2_0,
                                         Format::Version2_1BigEndian));

TEST(BinaryDictionary, cutInSecondTableKeepsFirst)
{
    DictionaryWriter::Options options;
    options.entriesPerTable = 10;
    const auto entries = sampleEntries(20);
    const QByteArray full = written(entries, Format::Version2_1, options);
    ZStringDictionary dictionary;
    dictionary.loadData(full.first(full.size() - 3));
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_EQ(dictionary.tableCount(), 1);
    expectAllFound(dictionary, entries.first(10));
    EXPECT_EQ(dictionary.find(entries[15].key), std::nullopt);
}

// Offsets of the fields of the first table of a little-endian version 2.1 file.
struct Layout
{
    qsizetype table;
    quint32 n;
    quint32 m;
    qsizetype keyOffsets() const { return table + 25; }
    qsizetype keyLengths() const { return keyOffsets() + 4 * n; }
    qsizetype valueOffsets() const { return keyLengths() + 2 * n; }
    qsizetype valueLengths() const { return valueOffsets() + 4 * n; }
};

Layout layoutOf(const QByteArray &data)
{
    Layout l;
    l.table = 25 + 4 + qsizetype(qFromLittleEndian<quint32>(data.constData() + 25));
    l.n = qFromLittleEndian<quint32>(data.constData() + l.table + 5);
    l.m = qFromLittleEndian<quint32>(data.constData() + l.table + 13);
    return l;
}

struct CorruptRow
{
    const char *name;
    void (*corrupt)(QByteArray &data, const Layout &l);
};

class CorruptTable : public testing::TestWithParam<CorruptRow>
{
};

TEST_P(CorruptTable, isRejectedWithoutReadingOutside)
{
    QByteArray data = written(sampleEntries(12), Format::Version2_1);
    GetParam().corrupt(data, layoutOf(data));
    ZStringDictionary dictionary;
    dictionary.loadData(QByteArray(data.constData(), data.size()));
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_TRUE(dictionary.entries().isEmpty());
    EXPECT_EQ(dictionary.translate("$$$/Sample/Key1=default"), QStringLiteral("default"));
}

void setU32(QByteArray &data, qsizetype at, quint32 v)
{
    qToLittleEndian(v, data.data() + at);
}

void setU16(QByteArray &data, qsizetype at, quint16 v)
{
    qToLittleEndian(v, data.data() + at);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CorruptTable,
    testing::Values(CorruptRow{"hugeEntryCount",
                               [](QByteArray &d, const Layout &l) {
                                   setU32(d, l.table + 5, 0xFFFFFFF0u);
                               }},
                    CorruptRow{"liveAboveEntries",
                               [](QByteArray &d, const Layout &l) {
                                   setU32(d, l.table + 9, l.n + 1);
                               }},
                    CorruptRow{"keysFlag",
                               [](QByteArray &d, const Layout &l) {
                                   d[l.table + 4] = 'X';
                               }},
                    CorruptRow{"keyBytesLength",
                               [](QByteArray &d, const Layout &l) {
                                   setU32(d, l.table + 17, 0x7FFFFFFF);
                               }},
                    CorruptRow{"valueBytesLength",
                               [](QByteArray &d, const Layout &l) {
                                   setU32(d, l.table + 21, 0xFFFFFFFF);
                               }},
                    CorruptRow{"keyOffsetPastKeys",
                               [](QByteArray &d, const Layout &l) {
                                   setU32(d, l.keyOffsets() + 4, 0x10000);
                               }},
                    CorruptRow{"keyLengthPastKeys",
                               [](QByteArray &d, const Layout &l) {
                                   setU16(d, l.keyLengths() + 2 * (l.n - 1), 0xFFFF);
                               }},
                    CorruptRow{"valueOffsetPastValues",
                               [](QByteArray &d, const Layout &l) {
                                   setU32(d, l.valueOffsets(), 0xFFFFFFF0u);
                               }},
                    CorruptRow{"valueLengthPastValues",
                               [](QByteArray &d, const Layout &l) {
                                   setU16(d, l.valueLengths() + 2 * (l.n - 1), 0xFFFF);
                               }},
                    CorruptRow{"bucketNumber1021",
                               [](QByteArray &d, const Layout &l) {
                                   const qsizetype keys =
                                       qFromLittleEndian<quint32>(d.constData() + l.table + 17);
                                   const qsizetype values =
                                       qFromLittleEndian<quint32>(d.constData() + l.table + 21);
                                   setU16(d, l.valueLengths() + 2 * l.n + keys + values, 1021);
                               }},
                    CorruptRow{"bucketIndexPastEntries",
                               [](QByteArray &d, const Layout &l) {
                                   const qsizetype keys =
                                       qFromLittleEndian<quint32>(d.constData() + l.table + 17);
                                   const qsizetype values =
                                       qFromLittleEndian<quint32>(d.constData() + l.table + 21);
                                   const qsizetype indices =
                                       l.valueLengths() + 2 * l.n + keys + values + 6 * l.m;
                                   setU32(d, indices, l.n);
                               }},
                    CorruptRow{"bucketCountsAboveEntries",
                               [](QByteArray &d, const Layout &l) {
                                   const qsizetype keys =
                                       qFromLittleEndian<quint32>(d.constData() + l.table + 17);
                                   const qsizetype values =
                                       qFromLittleEndian<quint32>(d.constData() + l.table + 21);
                                   setU32(d, l.valueLengths() + 2 * l.n + keys + values + 2 * l.m,
                                          0xFFFFFFFF);
                               }},
                    CorruptRow{"headerStringLength",
                               [](QByteArray &d, const Layout &) {
                                   setU32(d, 25, 0xFFFFFFFF);
                               }},
                    CorruptRow{"extraCount",
                               [](QByteArray &d, const Layout &) {
                                   setU32(d, d.size() - 4, 5);
                               }}),
    [](const testing::TestParamInfo<CorruptRow> &info) { return std::string(info.param.name); });

TEST(BinaryDictionary, laterTableBaseIndexRules)
{
    DictionaryWriter::Options options;
    options.entriesPerTable = 5;
    const auto entries = sampleEntries(10);
    QByteArray data = written(entries, Format::Version2_1, options);
    const Layout first = layoutOf(data);
    // The second table follows the first; its base index is the first field.
    const qsizetype keys = qFromLittleEndian<quint32>(data.constData() + first.table + 17);
    const qsizetype values = qFromLittleEndian<quint32>(data.constData() + first.table + 21);
    const qsizetype second =
        first.valueLengths() + 2 * first.n + keys + values + 6 * first.m + 4 * first.n + 4;
    ASSERT_EQ(qFromLittleEndian<quint32>(data.constData() + second), 5u);

    {
        SCOPED_TRACE("0 means: after the entries already loaded");
        setU32(data, second, 0);
        ZStringDictionary dictionary;
        dictionary.loadData(data);
        EXPECT_TRUE(dictionary.isValid());
        expectAllFound(dictionary, entries);
    }
    {
        SCOPED_TRACE("any other number rejects the table");
        setU32(data, second, 4);
        ZStringDictionary dictionary;
        dictionary.loadData(data);
        EXPECT_FALSE(dictionary.isValid());
        EXPECT_EQ(dictionary.tableCount(), 1);
        expectAllFound(dictionary, entries.first(5));
    }
    {
        SCOPED_TRACE("a non-zero base of the first table counts as 0");
        setU32(data, second, 5);
        setU32(data, first.table, 77);
        ZStringDictionary dictionary;
        dictionary.loadData(data);
        EXPECT_TRUE(dictionary.isValid());
        expectAllFound(dictionary, entries);
    }
}

TEST(BinaryDictionary, laterTableWithBaseZeroDisablesDuplicates)
{
    // The second file repeats /Sample/Key0 with another text: the first loaded text stays.
    const auto entries = sampleEntries(3);
    ZStringDictionary dictionary;
    dictionary.loadData(written(entries, Format::Version2_1));
    QList<DictionaryEntry> second = {{"/Sample/Key0", QStringLiteral("other")},
                                     {"/Sample/New", QStringLiteral("new")}};
    QByteArray data = written(second, Format::Version2_1);
    dictionary.loadData(data);
    EXPECT_EQ(dictionary.find("/Sample/Key0"), entries[0].value);
    EXPECT_EQ(dictionary.find("/Sample/New"), QStringLiteral("new"));
    EXPECT_EQ(dictionary.tableCount(), 2);

    // A table of nothing but duplicates is dropped.
    dictionary.loadData(written(entries, Format::Version2_1));
    EXPECT_EQ(dictionary.tableCount(), 2);
    expectAllFound(dictionary, entries);
}

TEST(BinaryDictionary, textLoadedOverTablesReplacesEntries)
{
    ZStringDictionary dictionary;
    dictionary.loadData(written(sampleEntries(3), Format::Version2_1));
    dictionary.loadData("\"$$$/Sample/Key1=ersetzt\"\n\"$$$/Sample/Extra=neu\"\n");
    EXPECT_EQ(dictionary.find("/Sample/Key1"), QStringLiteral("ersetzt"));
    EXPECT_EQ(dictionary.find("/Sample/Extra"), QStringLiteral("neu"));
    EXPECT_EQ(dictionary.find("/Sample/Key2"), sampleEntries(3)[2].value);
}

// Entries per table at the limit load; one more rejects the table.
class TableSizeLimit : public testing::TestWithParam<int>
{
};

TEST_P(TableSizeLimit, enforced)
{
    ZStringDictionary::Limits limits;
    limits.maxEntriesPerTable = 50;
    const int count = 50 + GetParam();
    ZStringDictionary dictionary(limits);
    dictionary.loadData(written(sampleEntries(count), Format::Version2_1));
    EXPECT_EQ(dictionary.isValid(), count <= 50);
    EXPECT_EQ(dictionary.entries().size(), count <= 50 ? count : 0);
}

INSTANTIATE_TEST_SUITE_P(AroundLimit, TableSizeLimit, testing::Values(-1, 0, 1));

class EntryLimitVersion1 : public testing::TestWithParam<int>
{
};

TEST_P(EntryLimitVersion1, enforced)
{
    ZStringDictionary::Limits limits;
    limits.maxEntries = 30;
    const int count = 30 + GetParam();
    ZStringDictionary dictionary(limits);
    dictionary.loadData(written(sampleEntries(count), Format::Version1_5));
    EXPECT_EQ(dictionary.isValid(), count <= 30);
    EXPECT_EQ(dictionary.entries().size(), count <= 30 ? count : 0);
}

INSTANTIATE_TEST_SUITE_P(AroundLimit, EntryLimitVersion1, testing::Values(-1, 0, 1));

TEST(DictionaryLoad, englishIsNotReadUnlessForced)
{
    TestEnvironment env;
    ZStringDictionary dictionary;
    EXPECT_TRUE(dictionary.load(env.root() + u"/missing/zstring.dct", 58, false));
    EXPECT_FALSE(dictionary.load(env.root() + u"/missing/zstring.dct", 58, true));
    EXPECT_FALSE(dictionary.load(env.root() + u"/missing/zstring.dct", 39, false));
}

TEST(DictionaryLoad, unreadableContentStillCountsAsLoaded)
{
    TestEnvironment env;
    const QString path = env.root() + u"/zstring.dct";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ZString Binary Format\x02\x01\x00\x00garbage");
    file.close();
    ZStringDictionary dictionary;
    EXPECT_TRUE(dictionary.load(path, 39, false));
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_EQ(dictionary.translate("$$$/A/B=Default"), QStringLiteral("Default"));
}

TEST(DictionaryLoad, fileLargerThanLimitIsNotRead)
{
    TestEnvironment env;
    const QString path = env.root() + u"/zstring.dct";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, ' ') + "\n\"$$$/A/B=x\"\n");
    file.close();
    ZStringDictionary::Limits limits;
    limits.maxFileSize = 2048;
    ZStringDictionary dictionary(limits);
    EXPECT_TRUE(dictionary.load(path, 39, false));
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_EQ(dictionary.find("/A/B"), std::nullopt);
}

} // namespace
