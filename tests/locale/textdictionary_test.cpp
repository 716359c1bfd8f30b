#include "locale/dictionarywriter.h"
#include "locale/zstringdictionary.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace basekit_private;

namespace {

QString lookup(const ZStringDictionary &dictionary, const char *key)
{
    return dictionary.translate(std::string("$$$") + key + "=<default>");
}

struct TextRow
{
    const char *name;
    QByteArray file;
    const char *key;
    QString expected;
};

class TextDictionary : public testing::TestWithParam<TextRow>
{
};

TEST_P(TextDictionary, reads)
{
    ZStringDictionary dictionary;
    dictionary.loadData(GetParam().file);
    EXPECT_EQ(lookup(dictionary, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TextDictionary,
    testing::Values(
        TextRow{"quoted", "\"$$$/A/B=Fertig\"\n", "/A/B", QStringLiteral("Fertig")},
        TextRow{"crlf", "\"$$$/A/X=x\"\r\n\"$$$/A/B=b\"\r\n", "/A/B", QStringLiteral("b")},
        TextRow{"crOnly", "\"$$$/A/X=x\"\r\"$$$/A/B=b\"", "/A/B", QStringLiteral("b")},
        TextRow{"lineSeparator", "\"$$$/A/X=x\"\xE2\x80\xA8\"$$$/A/B=b\"", "/A/B",
                QStringLiteral("b")},
        TextRow{"noQuotes", "$$$/A/B=plain text\n", "/A/B", QStringLiteral("plain text")},
        TextRow{"noQuotesNoDollars", "/A/B=plain\n", "/A/B", QStringLiteral("plain")},
        TextRow{"openingQuoteOnly", "  \"$$$/A/B=to the end\n", "/A/B",
                QStringLiteral("to the end")},
        TextRow{"textAroundQuotes", "x = \"$$$/A/B=inside\" ; comment\n", "/A/B",
                QStringLiteral("inside")},
        TextRow{"escapedQuoteStaysInItem", "\"$$$/A/B=say \\\"hi\\\"\"\n", "/A/B",
                QStringLiteral("say \"hi\"")},
        TextRow{"valueExpanded", "\"$$$/A/B=^C 2026#{nbsp}Tessaly\"\n", "/A/B",
                QStringLiteral("\u00A9 2026\u00A0Tessaly")},
        TextRow{"laterLineWins", "\"$$$/A/B=first\"\n\"$$$/A/B=second\"\n", "/A/B",
                QStringLiteral("second")},
        TextRow{"nulEndsText", QByteArray("\"$$$/A/X=x\"\n\0\"$$$/A/B=b\"\n", 24), "/A/B",
                QStringLiteral("<default>")},
        // Guards against requiring 21 bytes before a file is read at all.
        TextRow{"shorterThanSignature", "/A/B=kurz", "/A/B", QStringLiteral("kurz")},
        TextRow{"utf8WithoutMark",
                "\"$$$/A/B=Gr\xC3\xB6\xC3\x9F"
                "e\"\n",
                "/A/B", QStringLiteral("Größe")},
        TextRow{"utf16LittleEndian", QByteArray("\xFF\xFE\"\0/\0A\0=\0\xE9\0\"\0", 14), "/A",
                QStringLiteral("\u00E9")},
        TextRow{"utf16BigEndian", QByteArray("\xFE\xFF\0\"\0/\0A\0=\x20\xAC\0\"", 14), "/A",
                QStringLiteral("\u20AC")}),
    [](const testing::TestParamInfo<TextRow> &info) { return std::string(info.param.name); });

TEST(TextDictionaryFile, invalidLineIsSkippedAndClearsValidFlag)
{
    ZStringDictionary dictionary;
    dictionary.loadData("\"$$/A/X=bad\"\n# a comment without equals\n\"$$$/A/B=good\"\n");
    EXPECT_FALSE(dictionary.isValid());
    EXPECT_EQ(lookup(dictionary, "/A/B"), QStringLiteral("good"));
    EXPECT_EQ(lookup(dictionary, "/A/X"), QStringLiteral("<default>"));
}

TEST(TextDictionaryFile, withoutMarkUsesAnsiCharset)
{
    ZStringDictionary dictionary;
    dictionary.setAnsiCharset("windows-1252");
    dictionary.loadData("\"$$$/A/B=Gr\xF6\xDF"
                        "e \x80\"\n");
    EXPECT_TRUE(dictionary.isValid());
    EXPECT_EQ(lookup(dictionary, "/A/B"), QStringLiteral("Größe €"));
}

QList<DictionaryEntry> awkwardEntries()
{
    return {
        {"/A/Quote", QStringLiteral("say \"hi\"")},
        {"/A/Backslash", QStringLiteral("C:\\path\\")},
        {"/A/Caret", QStringLiteral("2^10 ^Q")},
        {"/A/Lines", QStringLiteral("one\ntwo\r\nthree\u2028four")},
        {"/A/Entity", QStringLiteral("#{copy} is not ©")},
        {"/A/Unicode", QStringLiteral("日本語 😀 Größe")},
        {"/A/Empty", QString()},
    };
}

class TextRoundTrip : public testing::TestWithParam<DictionaryWriter::TextEncoding>
{
};

TEST_P(TextRoundTrip, writerOutputReadsBackToSameTexts)
{
    DictionaryWriter::Options options;
    options.textEncoding = GetParam();
    const auto written =
        DictionaryWriter::write(awkwardEntries(), DictionaryWriter::Format::Text, options);
    ASSERT_TRUE(written.ok());
    ZStringDictionary dictionary;
    dictionary.setAnsiCharset("UTF-8");
    dictionary.loadData(written.data);
    EXPECT_TRUE(dictionary.isValid());
    for (const DictionaryEntry &entry : awkwardEntries())
        EXPECT_EQ(dictionary.find(entry.key), entry.value) << entry.key.constData();
}

INSTANTIATE_TEST_SUITE_P(Encodings, TextRoundTrip,
                         testing::Values(DictionaryWriter::TextEncoding::Utf8,
                                         DictionaryWriter::TextEncoding::Utf16LE,
                                         DictionaryWriter::TextEncoding::Utf16BE));

TEST(TextDictionaryFile, writerRefusesKeysThatCannotBeLines)
{
    for (const QByteArray &key : {QByteArray("/A=B"), QByteArray("/A\"B"), QByteArray("/A\nB")}) {
        EXPECT_FALSE(
            DictionaryWriter::write({{key, QStringLiteral("x")}}, DictionaryWriter::Format::Text)
                .ok())
            << key.constData();
    }
}

#ifdef ZSTRING_TOOL_PATH
TEST(TextDictionaryFile, utf16BigEndianFileFromZStringTool)
{
    TestEnvironment env;
    const QString source = env.root() + u"/de.txt";
    const QString target = env.root() + u"/zstring.dct";
    QFile in(source);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write("\"$$$/LauncherWindow/Done=Fertig\"\n\"$$$/A/Euro=5 \xE2\x82\xAC ^Q#{copy}\"\n");
    in.close();

    QProcess tool;
    tool.start(QStringLiteral(ZSTRING_TOOL_PATH),
               {QStringLiteral("compile"), source, target, QStringLiteral("--format"),
                QStringLiteral("text"), QStringLiteral("--encoding"), QStringLiteral("utf-16be")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();

    QFile out(target);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    ASSERT_TRUE(bytes.startsWith("\xFE\xFF\0\"")) << bytes.toHex().left(16).constData();

    ZStringDictionary dictionary;
    ASSERT_TRUE(dictionary.load(target, 39, false));
    EXPECT_TRUE(dictionary.isValid());
    EXPECT_EQ(dictionary.translate("$$$/LauncherWindow/Done=Done"), QStringLiteral("Fertig"));
    EXPECT_EQ(dictionary.translate("$$$/A/Euro=x"), QStringLiteral("5 € \"©"));
}
#endif

} // namespace
