#include "platform/registry/hive.h"
#include "platform/registry/regdocument.h"
#include "platform/registry/regwriter.h"

#include <gtest/gtest.h>

namespace {

QByteArray hiveText(const QByteArray &body)
{
    return QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n") + body;
}

std::unique_ptr<Hive> load(const QByteArray &text, RegRoot root = RegRoot::CurrentUser)
{
    auto hive = std::make_unique<Hive>(root);
    hive->apply(RegDocument::parse(text), true);
    return hive;
}

struct ValueRow
{
    const char *name;
    QByteArray line; // as written in the file
    RegValue expected;
};

class RegValueLines : public ::testing::TestWithParam<ValueRow>
{
};

} // namespace

// Guards against values changing type or data between the file and memory, in either direction.
TEST_P(RegValueLines, ReadsAndWritesBackTheSameLine)
{
    const auto hive = load(hiveText(GetParam().line + '\n'));
    const HiveKey *key = hive->find(QStringLiteral("K"));
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values().size(), 1u);
    EXPECT_EQ(key->values()[0].value, GetParam().expected);
    EXPECT_EQ(RegWriter::valueLine(key->values()[0]), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, RegValueLines,
    ::testing::Values(
        ValueRow{"String", "\"Name\"=\"text\"", RegValue::fromString(QStringLiteral("text"))},
        ValueRow{"EscapedString", "\"a\\\\b\"=\"say \\\"hi\\\" C:\\\\x\\\\\"",
                 RegValue::fromString(QStringLiteral("say \"hi\" C:\\x\\"))},
        ValueRow{"EmptyString", "\"e\"=\"\"", RegValue::fromString(QString())},
        ValueRow{"Unicode", "\"u\"=\"Grüße 日本\"",
                 RegValue::fromString(QStringLiteral("Grüße 日本"))},
        ValueRow{"Unnamed", "@=\"default\"", RegValue::fromString(QStringLiteral("default"))},
        ValueRow{"Dword", "\"d\"=dword:0000002a", RegValue::fromDword(42)},
        ValueRow{"DwordMax", "\"d\"=dword:ffffffff", RegValue::fromDword(0xffffffffu)},
        ValueRow{"Binary", "\"b\"=hex:00,7f,80,ff", RegValue::fromBinary("\x00\x7f\x80\xff"_qba)},
        ValueRow{"EmptyBinary", "\"b\"=hex:", RegValue::fromBinary({})},
        ValueRow{"Qword", "\"q\"=hex(b):01,00,00,00,00,00,00,80",
                 RegValue::fromQword(0x8000000000000001ull)},
        ValueRow{"ExpandString", "\"x\"=hex(2):25,00,41,00,25,00,00,00",
                 RegValue::fromString(QStringLiteral("%A%"), REG_EXPAND_SZ)},
        ValueRow{"MultiString", "\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00",
                 RegValue::fromStringList({QStringLiteral("a"), QStringLiteral("b")})},
        // A line break cannot stand in a quoted string: the text goes as UTF-16 bytes.
        ValueRow{"StringWithLineBreak", "\"n\"=hex(1):61,00,0a,00,62,00,00,00",
                 RegValue::fromString(QStringLiteral("a\nb"))},
        ValueRow{"StringWithoutTerminator", "\"n\"=hex(1):61,00", RegValue(REG_SZ, "a\0"_qba)},
        ValueRow{"UnknownType", "\"t\"=hex(1f):01", RegValue(0x1f, "\x01"_qba)}),
    [](const auto &info) { return std::string(info.param.name); });

// Guards against long hex lists being cut at the line wrap.
TEST(RegDocument, LongHexListsWrapAndJoin)
{
    QByteArray bytes;
    for (int i = 0; i < 200; ++i)
        bytes.append(char(i));
    Hive hive(RegRoot::CurrentUser);
    hive.create(QStringLiteral("K"))->setValue(QStringLiteral("blob"), RegValue::fromBinary(bytes));
    const QByteArray text = RegWriter::hiveFile(hive);
    for (const QByteArray &line : text.split('\n'))
        EXPECT_LE(line.size(), 80) << line.constData();
    EXPECT_GT(text.count("\\\n  "), 5);
    const auto again = load(text);
    EXPECT_EQ(again->find(QStringLiteral("k"))->value(QStringLiteral("BLOB"))->value.data(), bytes);
}

TEST(RegDocument, ReadsUtf16FilesWithCrLf)
{
    const QString text = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"x\"=\"y\"\r\n");
    QByteArray bytes("\xff\xfe");
    bytes += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    const RegDocument doc = RegDocument::parse(bytes);
    EXPECT_TRUE(doc.hasHeader());
    EXPECT_TRUE(doc.issues().empty());
    const auto hive = load(bytes);
    EXPECT_EQ(hive->find(QStringLiteral("a\\b"))->value(QStringLiteral("X"))->value.toString(),
              QStringLiteral("y"));
}

// Guards against a bad line taking the rest of the file with it or being dropped on rewrite.
TEST(RegDocument, UnreadableLinesAreReportedAndKept)
{
    const QByteArray text = "Windows Registry Editor Version 5.00\n"
                            "\n"
                            "[HKEY_CURRENT_USER\\Good]\n"
                            "\"a\"=\"1\"\n"
                            "garbage line\n"
                            "\"b\"=dword:xyz\n"
                            "; a comment\n"
                            "\"c\"=dword:00000003\n"
                            "[HKEY_CURRENT_USER\\Broken\n"
                            "\"d\"=\"4\"\n"
                            "[HKEY_CURRENT_USER\\Good\\Child]\n"
                            "\"e\"=\"5\"\n"
                            "\"bad\xff\"=\"6\"\n";
    const RegDocument doc = RegDocument::parse(text);
    ASSERT_EQ(doc.issues().size(), 4u); // garbage, dword:xyz, broken header, invalid UTF-8
    EXPECT_EQ(doc.issues()[0].line, 5);
    EXPECT_EQ(doc.issues()[1].line, 6);
    EXPECT_EQ(doc.issues()[2].line, 9);
    EXPECT_EQ(doc.issues()[3].line, 13);

    const auto hive = load(text);
    const HiveKey *good = hive->find(QStringLiteral("Good"));
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->values().size(), 2u); // a and c
    EXPECT_EQ(good->value(QStringLiteral("c"))->value.toDword(), 3u);
    EXPECT_EQ(hive->find(QStringLiteral("Broken")), nullptr);
    EXPECT_EQ(hive->find(QStringLiteral("Good\\Child"))->value(QStringLiteral("e"))->value,
              RegValue::fromString(QStringLiteral("5")));

    const QByteArray rewritten = RegWriter::hiveFile(*hive);
    for (const QByteArray &kept :
         {"garbage line"_qba, "\"b\"=dword:xyz"_qba, "; a comment"_qba,
          "[HKEY_CURRENT_USER\\Broken"_qba, "\"d\"=\"4\""_qba, "\"bad\xff\"=\"6\""_qba})
        EXPECT_TRUE(rewritten.contains(QByteArray(kept + '\n'))) << kept.constData();
    // And a second round changes nothing.
    EXPECT_EQ(RegWriter::hiveFile(*load(rewritten)), rewritten);
}

TEST(RegDocument, SectionsOfAnotherRootAreKeptNotLoaded)
{
    const auto hive = load("Windows Registry Editor Version 5.00\n"
                           "[HKEY_LOCAL_MACHINE\\Machine]\n\"m\"=\"1\"\n"
                           "[HKEY_CURRENT_USER\\User]\n\"u\"=\"2\"\n");
    EXPECT_EQ(hive->find(QStringLiteral("Machine")), nullptr);
    ASSERT_NE(hive->find(QStringLiteral("User")), nullptr);
    EXPECT_TRUE(
        RegWriter::hiveFile(*hive).contains("[HKEY_LOCAL_MACHINE\\Machine]\n\"m\"=\"1\"\n"));
}

TEST(RegDocument, DeletionsApply)
{
    const auto hive =
        load("REGEDIT4\n[HKCU\\A\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n[HKCU\\C]\n"
             "[-HKEY_CURRENT_USER\\A]\n[HKCU\\C]\n[hkcu\\A2]\n\"x\"=\"1\"\n\"X\"=-\n");
    EXPECT_EQ(hive->find(QStringLiteral("A")), nullptr);
    ASSERT_NE(hive->find(QStringLiteral("C")), nullptr);
    EXPECT_TRUE(hive->find(QStringLiteral("A2"))->values().empty());
}

TEST(RegDocument, MissingHeaderIsReportedButKeysLoad)
{
    const RegDocument doc = RegDocument::parse("[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n");
    EXPECT_FALSE(doc.hasHeader());
    ASSERT_EQ(doc.issues().size(), 1u);
    EXPECT_NE(load("[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n")->find(QStringLiteral("A")), nullptr);
}

// Limits on outside input, tested at the limit and one past it.
TEST(RegDocument, KeyNameLengthAndDepthLimits)
{
    EXPECT_TRUE(Hive::splitPath(QString(Hive::MaxKeyNameLength, QLatin1Char('k'))));
    EXPECT_FALSE(Hive::splitPath(QString(Hive::MaxKeyNameLength + 1, QLatin1Char('k'))));
    QStringList deep(Hive::MaxDepth, QStringLiteral("d"));
    EXPECT_TRUE(Hive::splitPath(deep.join(QLatin1Char('\\'))));
    deep.append(QStringLiteral("d"));
    EXPECT_FALSE(Hive::splitPath(deep.join(QLatin1Char('\\'))));
    EXPECT_FALSE(Hive::splitPath(QStringLiteral("a\\\\b")));
    EXPECT_FALSE(Hive::splitPath(QStringLiteral("a\\b\\")));
    EXPECT_FALSE(Hive::splitPath(QStringLiteral("a\nb")));
}

TEST(RegDocument, LineLengthLimit)
{
    const auto lineOf = [](qsizetype length) {
        QByteArray line("\"v\"=\"");
        line.append(length - line.size() - 1, 'x');
        line.append('"');
        return line;
    };
    const RegDocument atLimit =
        RegDocument::parse(hiveText(lineOf(RegDocument::MaxLineLength).append('\n')));
    EXPECT_TRUE(atLimit.issues().empty());
    const RegDocument pastLimit =
        RegDocument::parse(hiveText(lineOf(RegDocument::MaxLineLength + 1).append('\n')));
    ASSERT_EQ(pastLimit.issues().size(), 1u);
    const auto hive = load(hiveText(lineOf(RegDocument::MaxLineLength + 1).append('\n')));
    EXPECT_TRUE(hive->find(QStringLiteral("K"))->values().empty());
    EXPECT_EQ(hive->find(QStringLiteral("K"))->keptLines().size(), 1);
}

TEST(RegDocument, FileSizeLimit)
{
    QByteArray big = hiveText({});
    const QByteArray comment = ';' + QByteArray(1000, 'c') + '\n';
    while (big.size() + comment.size() < RegDocument::MaxFileSize)
        big += comment;
    big.append(RegDocument::MaxFileSize - big.size(), '\n');
    EXPECT_FALSE(RegDocument::parse(big).tooLarge());
    big.append('\n');
    EXPECT_TRUE(RegDocument::parse(big).tooLarge());
}

TEST(RegDocument, ExportWritesTheSubtreeWithStoredNames)
{
    const auto hive = load("Windows Registry Editor Version 5.00\n"
                           "[HKEY_CURRENT_USER\\Software\\Tessaly\\IAC]\n\"a\"=\"1\"\n"
                           "[HKEY_CURRENT_USER\\Software\\Tessaly\\IAC\\Sub]\n@=dword:00000002\n"
                           "[HKEY_CURRENT_USER\\Software\\Other]\n\"o\"=\"x\"\n");
    const QByteArray exported = RegWriter::exportKey(*hive, QStringLiteral("software\\tessaly"));
    EXPECT_EQ(exported, "Windows Registry Editor Version 5.00\n"
                        "\n[HKEY_CURRENT_USER\\Software\\Tessaly]\n"
                        "\n[HKEY_CURRENT_USER\\Software\\Tessaly\\IAC]\n\"a\"=\"1\"\n"
                        "\n[HKEY_CURRENT_USER\\Software\\Tessaly\\IAC\\Sub]\n@=dword:00000002\n");
    EXPECT_TRUE(RegWriter::exportKey(*hive, QStringLiteral("Software\\Missing")).isEmpty());
}

TEST(RegDocument, RootNames)
{
    EXPECT_EQ(RegDocument::parseRoot(u"hkcu"), RegRoot::CurrentUser);
    EXPECT_EQ(RegDocument::parseRoot(u"HKEY_LOCAL_MACHINE"), RegRoot::LocalMachine);
    EXPECT_EQ(RegDocument::parseRoot(u"HKCR"), RegRoot::ClassesRoot);
    EXPECT_FALSE(RegDocument::parseRoot(u"HKEY_USERS"));
    const auto split = RegDocument::splitFullPath(u"HKLM\\Software\\X");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->first, RegRoot::LocalMachine);
    EXPECT_EQ(split->second, QStringLiteral("Software\\X"));
    EXPECT_FALSE(RegDocument::splitFullPath(u"HKLM\\Software\\"));
}

// Guards against a hex value left unfinished at a blank line or the end of the file swallowing
// that line, which made every rewrite of the hive one line longer.
TEST(RegDocument, UnfinishedContinuationIsKeptAsItStands)
{
    for (const QByteArray &tail :
         {"\"e\"=hex:01,02,\\\n"_qba, "\"e\"=hex:01,02,\\\n\n\"f\"=\"1\"\n"_qba}) {
        const QByteArray text = hiveText(tail);
        const auto hive = load(text);
        const QByteArray first = RegWriter::hiveFile(*hive);
        EXPECT_EQ(RegWriter::hiveFile(*load(first)), first);
        EXPECT_EQ(hive->find(QStringLiteral("K"))->keptLines(),
                  QByteArrayList{"\"e\"=hex:01,02,\\"});
    }
}

// Guards against two kept lines becoming one value on a rewrite: an unfinished hex value that
// stood before a blank line must not take in the kept line that follows it.
TEST(RegDocument, KeptContinuationDoesNotJoinTheNextKeptLine)
{
    const QByteArray text = hiveText("\"a\"=hex:01,\\\n\n02\n");
    const auto hive = load(text);
    EXPECT_TRUE(hive->find(QStringLiteral("K"))->values().empty());
    const QByteArray first = RegWriter::hiveFile(*hive);
    const auto again = load(first);
    EXPECT_TRUE(again->find(QStringLiteral("K"))->values().empty());
    EXPECT_EQ(RegWriter::hiveFile(*again), first);
}

// Guards against an unfinished hex value swallowing the section header after it.
TEST(RegDocument, HexContinuationStopsAtASection)
{
    const auto hive = load(hiveText("\"a\"=hex:01,\\\n[HKEY_CURRENT_USER\\Next]\n\"b\"=\"1\"\n"));
    ASSERT_NE(hive->find(QStringLiteral("Next")), nullptr);
    EXPECT_EQ(hive->find(QStringLiteral("Next"))->values().size(), 1u);
    EXPECT_EQ(hive->find(QStringLiteral("K"))->keptLines(), QByteArrayList{"\"a\"=hex:01,\\"});
}
