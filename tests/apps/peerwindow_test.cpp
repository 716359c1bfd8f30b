#include "apps/peer/peerscripthost.h"
#include "apps/peer/peerwindow.h"

#include <QListWidget>

#include <gtest/gtest.h>

using TessalyApps::PeerScriptHost;
using TessalyApps::PeerWindow;

struct CallRow
{
    const char *name;
    const char *script;
    const char *function;
    const char *description; // what the window lists, without its time stamp
};

class PeerScriptCalls : public ::testing::TestWithParam<CallRow>
{
};

// Guards against a launcher script reaching the wrong function, losing its arguments, or being
// missing from the window's list.
TEST_P(PeerScriptCalls, EachFunctionIsAnnouncedAndListed)
{
    const CallRow &row = GetParam();
    PeerScriptHost host;
    PeerWindow window(QStringLiteral("Orvana Organizer 11.0"), QStringLiteral("pxoorganizer-11.0"));
    QStringList functions;
    QObject::connect(&host, &PeerScriptHost::requested, &window,
                     [&](const QString &function, const QString &description) {
                         functions.append(function);
                         window.addRequest(description);
                     });
    const PeerScriptHost::Outcome outcome = host.evaluate(QString::fromUtf8(row.script));
    ASSERT_TRUE(outcome.ok) << qPrintable(outcome.result);
    EXPECT_EQ(functions, QStringList{QString::fromLatin1(row.function)});
    const auto *list = window.findChild<QListWidget *>(QStringLiteral("requests"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().endsWith(QString::fromUtf8(row.description)))
        << qPrintable(list->item(0)->text());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Orvana Organizer 11.0"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PeerScriptCalls,
    ::testing::Values(CallRow{"open", "open('organizeTab', 'requestFromWS');", "open",
                              "Open the tab \"organizeTab\" (asked by \"requestFromWS\")"},
                      CallRow{"importFiles",
                              "var a = new Array ('/p/a.jpg','/p/b c.tif');import_files(a);",
                              "import_files", "Import 2 file(s): /p/a.jpg, /p/b c.tif"},
                      CallRow{"newFileWithFiles",
                              "var a = new Array ('/p/a.jpg');new_file('quick',a);", "new_file",
                              "New file in mode \"quick\" from /p/a.jpg"},
                      CallRow{"newFileWithoutFiles", "new_file('previous');", "new_file",
                              "New file in mode \"previous\""},
                      CallRow{"syncIntro", "launchSyncIntro('');", "launchSyncIntro",
                              "Show the backup and sync introduction"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PeerScriptHost, ErrorsAreReportedNotSwallowed)
{
    PeerScriptHost host;
    const PeerScriptHost::Outcome outcome = host.evaluate(QStringLiteral("open(;"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.result.contains(QStringLiteral("SyntaxError")))
        << qPrintable(outcome.result);
    // State of one script stays for the next, as in one engine of a running application.
    EXPECT_TRUE(host.evaluate(QStringLiteral("var kept = 7;")).ok);
    EXPECT_EQ(host.evaluate(QStringLiteral("kept * 6")).result, QStringLiteral("42"));
}
