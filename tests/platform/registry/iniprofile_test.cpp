#include "platform/registry/iniprofile.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString writeFile(const TestEnvironment &env, const QByteArray &contents)
{
    const QString path = env.dataHome() + QStringLiteral("/Orvana.ini");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(contents);
    return path;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(IniProfile, ReadFromMissingFileFailsAndLeavesTheValue)
{
    TestEnvironment env;
    const IniProfile profile(env.dataHome() + QStringLiteral("/missing.ini"));
    EXPECT_FALSE(profile.exists());
    QString value = QStringLiteral("untouched");
    EXPECT_FALSE(profile.read(QStringLiteral("PXOInformation"),
                              QStringLiteral("LauncherLaunchCount"), value));
    EXPECT_EQ(value, QStringLiteral("untouched"));
}

namespace {

struct ReadRow
{
    const char *name;
    const char *section;
    const char *key;
    const char *expected;
};

class IniProfileRead : public ::testing::TestWithParam<ReadRow>
{
};

} // namespace

TEST_P(IniProfileRead, FindsWhatTheProfileFunctionsFind)
{
    TestEnvironment env;
    const IniProfile profile(writeFile(env, "top=before any section\n"
                                            "[PXOInformation]\n"
                                            "  LauncherLaunchCount  =  3  \n"
                                            "Quoted=\"  spaced  \"\n"
                                            "Single='x'\n"
                                            "Half=\"x\n"
                                            "; Commented=1\n"
                                            "Empty=\n"
                                            "Twice=first\n"
                                            "Twice=second\n"
                                            "[ Other ]\n"
                                            "Key=other\n"
                                            "[pxoinformation]\n"
                                            "Late=in a second section of the same name\n"));
    ASSERT_TRUE(profile.exists());
    QString value = QStringLiteral("stale");
    EXPECT_TRUE(profile.read(QString::fromUtf8(GetParam().section),
                             QString::fromUtf8(GetParam().key), value));
    EXPECT_EQ(value, QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Registry, IniProfileRead,
    ::testing::Values(ReadRow{"Trimmed", "PXOInformation", "LauncherLaunchCount", "3"},
                      ReadRow{"CaseInsensitive", "pxoinformation", "LAUNCHERLAUNCHCOUNT", "3"},
                      ReadRow{"QuotesRemoved", "PXOInformation", "Quoted", "  spaced  "},
                      ReadRow{"SingleQuotes", "PXOInformation", "Single", "x"},
                      ReadRow{"UnmatchedQuoteKept", "PXOInformation", "Half", "\"x"},
                      ReadRow{"CommentIsNoKey", "PXOInformation", "; Commented", ""},
                      ReadRow{"EmptyValue", "PXOInformation", "Empty", ""},
                      ReadRow{"FirstOccurrenceWins", "PXOInformation", "Twice", "first"},
                      ReadRow{"SectionNameTrimmed", "Other", "Key", "other"},
                      ReadRow{"OnlyFirstSectionSearched", "PXOInformation", "Late", ""},
                      ReadRow{"KeyBeforeAnySection", "", "top", ""},
                      ReadRow{"MissingKey", "PXOInformation", "Nope", ""},
                      ReadRow{"MissingSection", "Nope", "Key", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// The 1024-character buffer: 1023 characters come back, a longer value is cut there.
TEST(IniProfile, ReadBufferLimit)
{
    TestEnvironment env;
    const QByteArray exact(IniProfile::ReadBufferSize - 1, 'a');
    const QByteArray longer(IniProfile::ReadBufferSize, 'b');
    const IniProfile profile(writeFile(env, "[S]\nexact=" + exact + "\nlonger=" + longer + "\n"));
    QString value;
    ASSERT_TRUE(profile.read(QStringLiteral("S"), QStringLiteral("exact"), value));
    EXPECT_EQ(value, QString::fromLatin1(exact));
    ASSERT_TRUE(profile.read(QStringLiteral("S"), QStringLiteral("longer"), value));
    EXPECT_EQ(value.size(), IniProfile::ReadBufferSize - 1);
}

TEST(IniProfile, WriteCreatesFileAndFolder)
{
    TestEnvironment env;
    const QString path =
        env.dataHome() + QStringLiteral("/Tessaly/Orvana Organizer/11.0/Orvana.ini");
    const IniProfile before(path);
    EXPECT_TRUE(before.write(QStringLiteral("PXOInformation"),
                             QStringLiteral("LauncherLaunchCount"), QStringLiteral("1")));
    EXPECT_EQ(readAll(path), "[PXOInformation]\nLauncherLaunchCount=1\n");
    // An object made before the file existed still reports it missing, as the original does.
    QString value;
    EXPECT_FALSE(before.read(QStringLiteral("PXOInformation"),
                             QStringLiteral("LauncherLaunchCount"), value));
    const IniProfile after(path);
    EXPECT_TRUE(
        after.read(QStringLiteral("pxoinformation"), QStringLiteral("launcherlaunchcount"), value));
    EXPECT_EQ(value, QStringLiteral("1"));
}

// Guards against a write rewriting (and so damaging) the parts of a shared file it did not
// change: other sections, comments, spelling of the key, CRLF line ends.
TEST(IniProfile, WriteChangesOnlyItsLine)
{
    TestEnvironment env;
    const QString path = writeFile(env, "; kept comment\r\n"
                                        "[PXOInformation]\r\n"
                                        "launcherLaunchCOUNT = 3\r\n"
                                        "Other=x\r\n"
                                        "\r\n"
                                        "[Next]\r\n"
                                        "A=1");
    const IniProfile profile(path);
    EXPECT_TRUE(profile.write(QStringLiteral("pxoinformation"),
                              QStringLiteral("LauncherLaunchCount"), QStringLiteral("4")));
    EXPECT_TRUE(profile.write(QStringLiteral("PXOInformation"), QStringLiteral("Added"),
                              QStringLiteral("y")));
    EXPECT_TRUE(profile.write(QStringLiteral("Next"), QStringLiteral("B"), QStringLiteral("2")));
    EXPECT_TRUE(profile.write(QStringLiteral("New"), QStringLiteral("C"), QStringLiteral("3")));
    EXPECT_EQ(readAll(path), "; kept comment\r\n"
                             "[PXOInformation]\r\n"
                             "launcherLaunchCOUNT=4\r\n"
                             "Other=x\r\n"
                             "Added=y\r\n"
                             "\r\n"
                             "[Next]\r\n"
                             "A=1\r\n"
                             "B=2\r\n"
                             "[New]\r\n"
                             "C=3\r\n");
}

// Guards against a value or name with a line break adding lines (and so keys) of its own.
TEST(IniProfile, RefusesWhatWouldBreakTheLine)
{
    TestEnvironment env;
    const QString path = writeFile(env, "[S]\nk=v\n");
    const IniProfile profile(path);
    EXPECT_FALSE(profile.write(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("a\n[X]")));
    EXPECT_FALSE(profile.write(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v")));
    EXPECT_FALSE(profile.write(QStringLiteral("S]"), QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_FALSE(profile.write(QStringLiteral("S"), QStringLiteral(" "), QStringLiteral("v")));
    EXPECT_EQ(readAll(path), "[S]\nk=v\n");
}

// Guards against a damaged header, whose name ends in a cut-off UTF-8 sequence, reading as the
// plain section on one read and not on the next, so that a written key lands where no read sees it.
TEST(IniProfile, CutOffSequenceAtALineEndStaysPartOfTheName)
{
    TestEnvironment env;
    const QString path = writeFile(env, "[PXOInformation\xf2\r\n"
                                        "Stale=1\r\n");
    const IniProfile profile(path);
    QString value;
    ASSERT_TRUE(profile.read(QStringLiteral("PXOInformation"), QStringLiteral("Stale"), value));
    EXPECT_EQ(value, QString());
    ASSERT_TRUE(profile.write(QStringLiteral("PXOInformation"),
                              QStringLiteral("LauncherLaunchCount"), QStringLiteral("1")));
    ASSERT_TRUE(profile.read(QStringLiteral("PXOInformation"),
                             QStringLiteral("LauncherLaunchCount"), value));
    EXPECT_EQ(value, QStringLiteral("1"));
    EXPECT_TRUE(readAll(path).startsWith("[PXOInformation\xf2\r\nStale=1\r\n"));
}

TEST(IniProfile, Utf16FileKeepsItsEncoding)
{
    TestEnvironment env;
    const QString text = QStringLiteral("[S]\r\nName=Grüße\r\n");
    QByteArray bytes("\xff\xfe");
    bytes += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    const QString path = writeFile(env, bytes);
    const IniProfile profile(path);
    QString value;
    ASSERT_TRUE(profile.read(QStringLiteral("s"), QStringLiteral("name"), value));
    EXPECT_EQ(value, QStringLiteral("Grüße"));
    ASSERT_TRUE(profile.write(QStringLiteral("S"), QStringLiteral("Name"), QStringLiteral("Å")));
    const QString expected = QStringLiteral("[S]\r\nName=Å\r\n");
    EXPECT_EQ(readAll(path),
              QByteArray("\xff\xfe") + QByteArray(reinterpret_cast<const char *>(expected.utf16()),
                                                  expected.size() * 2));
}
