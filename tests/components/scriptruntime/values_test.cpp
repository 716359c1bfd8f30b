#include "components/scriptruntime/kernova/broadcaster.h"
#include "components/scriptruntime/kernova/encoder.h"
#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filefilter.h"
#include "components/scriptruntime/kernova/fileutils.h"
#include "components/scriptruntime/kernova/folder.h"
#include "components/scriptruntime/kernova/livebase.h"
#include "components/scriptruntime/kernova/localizer.h"
#include "components/scriptruntime/kernova/scatomic.h"
#include "components/scriptruntime/kernova/variant.h"
#include "platform/folders/folders.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Kernova;

TEST(KernovaString, ComesFromEveryForm)
{
    const char16_t utf16[] = u"Grüße";
    EXPECT_EQ(String(utf16, 5).toQString(), QStringLiteral("Grüße"));
    const Encoder *utf8 = Encoder::get("UTF-8");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(String(QByteArray("Gr\xc3\xbc\xc3\x9f"
                                "e"),
                     *utf8)
                  .toQString(),
              QStringLiteral("Grüße"));
    EXPECT_EQ(String(QStringLiteral("ü")).encode(*utf8), QByteArray("\xc3\xbc"));
    EXPECT_EQ(String("plain").toQString(), QStringLiteral("plain"));
    EXPECT_EQ(Encoder::get("no-such-encoding"), nullptr);
}

struct TextRow
{
    Variant value;
    const char *text;
    bool truth;
};

class KernovaVariant : public ::testing::TestWithParam<TextRow>
{
};

TEST_P(KernovaVariant, HasTheScriptTextAndTruth)
{
    EXPECT_EQ(GetParam().value.toString().toQString(), QString::fromLatin1(GetParam().text));
    EXPECT_EQ(GetParam().value.toBool(), GetParam().truth);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KernovaVariant,
    ::testing::Values(TextRow{Variant(), "", false}, TextRow{Variant::null(), "", false},
                      TextRow{Variant(true), "true", true}, TextRow{Variant(12), "12", true},
                      TextRow{Variant(0.5), "0.5", true}, TextRow{Variant(String("")), "", false},
                      TextRow{Variant(String("x")), "x", true}));

TEST(LiveBase, SetErrorReturnsItsCodeAndIdsAreFresh)
{
    class Thing : public LiveBase
    {
    };
    Thing thing;
    EXPECT_EQ(thing.setError(32, String("no engine")), 32);
    EXPECT_EQ(thing.errorCode(), 32);
    const int a = LiveBase::getNextID();
    const int b = LiveBase::getNextID();
    EXPECT_NE(a, b);
    volatile int32_t counter = 4;
    EXPECT_EQ(ScAtomicInc(&counter), 5);
}

TEST(KernovaFiles, SpecialFolderElevenIsTheCommonDataFolder)
{
    TestEnvironment env;
    FileSpec folder;
    ASSERT_EQ(FileUtils::getSpecialDir(FileUtils::kCommonData, folder), 0);
    EXPECT_EQ(folder.path().toQString(), Folders::commonAppData());
    EXPECT_EQ(FileUtils::getSpecialDir(99, folder), -1);
    EXPECT_EQ(FileSpec(String(env.root() + QStringLiteral("/missing"))).getAttributes(), 0);
    EXPECT_EQ(FileSpec(String(env.root())).getAttributes() & FileSpec::kFolder, FileSpec::kFolder);
}

TEST(KernovaFiles, FolderIterationFiltersAndFilesReadLines)
{
    TestEnvironment env;
    const QString scripts = env.root() + QStringLiteral("/Startup Scripts TS5");
    QDir().mkpath(scripts);
    for (const char *name : {"b.jsx", "a.jsxbin", "notes.txt"}) {
        QFile file(scripts + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("line one\r\nline two\n");
    }
    class ScriptFilter : public FileFilter
    {
    public:
        bool accept(const FileSpec &item) override
        {
            const QString name = item.fileName().toQString();
            return name.endsWith(QLatin1String(".jsx")) || name.endsWith(QLatin1String(".jsxbin"));
        }
    } filter;
    QStringList seen;
    const int visited =
        Folder(FileSpec(String(scripts))).iterate(&filter, [&](const FileSpec &item) {
            seen.append(item.fileName().toQString());
            return true;
        });
    EXPECT_EQ(visited, 2);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("a.jsxbin"), QStringLiteral("b.jsx")}));

    File file(FileSpec(String(scripts + QStringLiteral("/b.jsx"))));
    ASSERT_TRUE(file.open());
    String line;
    QStringList lines;
    while (!file.eof() && file.readln(line))
        lines.append(line.toQString());
    EXPECT_EQ(lines, (QStringList{QStringLiteral("line one"), QStringLiteral("line two")}));
}

TEST(KernovaLocalizer, TheNewestLocalizerThatKnowsATextAnswers)
{
    class Fixed : public Localizer
    {
    public:
        Fixed(const char *from, const char *to)
            : m_from(from)
            , m_to(to)
        {
        }
        String localize(const String &text, const FileSpec &) override
        {
            return text == m_from ? m_to : text;
        }
        String m_from, m_to;
    };
    Fixed older("$$$/A=a", "older");
    Fixed newer("$$$/B=b", "newer");
    Localizer::push(&older);
    Localizer::push(&newer);
    EXPECT_EQ(Localizer::translate(String("$$$/A=a"), FileSpec()).toQString(),
              QStringLiteral("older"));
    EXPECT_EQ(Localizer::translate(String("$$$/B=b"), FileSpec()).toQString(),
              QStringLiteral("newer"));
    Localizer::remove(&newer);
    EXPECT_EQ(Localizer::translate(String("$$$/B=b"), FileSpec()).toQString(),
              QStringLiteral("$$$/B=b"));
    Localizer::remove(&older);
}

TEST(KernovaBroadcaster, TellsEachListenerOnce)
{
    class Listener : public Broadcaster::Listener
    {
    public:
        void notify(Broadcaster &, int event, const Variant &) override { events.push_back(event); }
        std::vector<int> events;
    } listener;
    Broadcaster broadcaster;
    broadcaster.addListener(&listener);
    broadcaster.addListener(&listener);
    broadcaster.broadcast(3);
    broadcaster.removeListener(&listener);
    broadcaster.broadcast(4);
    EXPECT_EQ(listener.events, std::vector<int>{3});
}
