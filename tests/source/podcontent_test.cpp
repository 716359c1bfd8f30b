#include "locale/localeutil.h"
#include "platform/registry/productsettings.h"
#include "platform/registry/ptsettings.h"
#include "shared/glint/glintplayertrust.h"
#include "source/launcherpaths.h"
#include "source/podcontent.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// Each test gets its own machine root and user folders, a launcher folder without language
// packs (so the locale comes from the machine hive) and the membership flag as at start.
class PodContentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleUtil::resetCache();
        app = env.root() + QStringLiteral("/app");
        QDir().mkpath(app);
        LauncherPaths::setApplicationDirectory(app);
        LauncherPaths::setAssetsDirectory(app + QStringLiteral("/Assets/"));
        PodContent::setMembershipEnabled(true);
    }
    void TearDown() override
    {
        PodContent::setMembershipEnabled(true);
        LocaleUtil::resetCache();
        GlintPlayerTrust::setOwnMovieFolders({});
    }

    void setMachineLocale(const QString &code)
    {
        PtSettingsLM settings(ProductSettings::productKeyPath());
        settings.setValue(QStringLiteral("Locale"), code);
        settings.sync();
        LocaleUtil::resetCache();
    }

    QString product() const
    {
        return env.machineRoot() + QStringLiteral("/data/Tessaly/Pixtrel Orvana/11.0/");
    }

    // Creates files (and folders for names ending in "/") in the pods folder.
    void makePods(const QStringList &entries)
    {
        const QString pods = PodContent::podsFolder();
        QDir().mkpath(pods);
        for (const QString &entry : entries) {
            if (entry.endsWith(QLatin1Char('/'))) {
                QDir().mkpath(pods + entry);
                continue;
            }
            QFile file(pods + entry);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << entry.toStdString();
            file.write("<pod version=\"1\"/>");
        }
    }

    static QString readAll(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<missing>");
        return QString::fromUtf8(file.readAll());
    }

    TestEnvironment env;
    QString app;
};

TEST_F(PodContentTest, FoldersBelowTheCommonDataFolderFollowTheLocale)
{
    EXPECT_EQ(PodContent::productDataFolder(), product());
    EXPECT_EQ(PodContent::podsFolder(),
              product() + QStringLiteral("Locale/en_us/Welcome Screen Pods/"));
    EXPECT_EQ(PodContent::swfFolder(),
              product() + QStringLiteral("Locale/en_us/Application SWFs/"));
    PodContent::setMembershipEnabled(false);
    EXPECT_EQ(PodContent::swfFolder(), product() + QStringLiteral("Application SWFs/"));

    setMachineLocale(QStringLiteral("de_de"));
    EXPECT_EQ(PodContent::podsFolder(),
              product() + QStringLiteral("Locale/de_de/Welcome Screen Pods/"));
}

TEST_F(PodContentTest, MembershipFlagIsSetAtStartAndClearedBySetter)
{
    EXPECT_TRUE(PodContent::membershipEnabled());
    PodContent::setMembershipEnabled(false);
    EXPECT_FALSE(PodContent::membershipEnabled());
}

struct PodListRow
{
    const char *name;
    QStringList entries;
    QStringList expected;
};

class PodListTest : public PodContentTest, public ::testing::WithParamInterface<PodListRow>
{
};

TEST_P(PodListTest, ListsXmlEntriesInCaseInsensitiveOrder)
{
    makePods(GetParam().entries);
    EXPECT_EQ(PodContent::podFileNames(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PodListTest,
    ::testing::Values(
        // Only descriptions are listed, whatever the case of their extension.
        PodListRow{"DescriptionsOnly",
                   {QStringLiteral("tips.xml"), QStringLiteral("OFFER.XML"),
                    QStringLiteral("tips.swf"), QStringLiteral("readme.txt")},
                   {QStringLiteral("OFFER.XML"), QStringLiteral("tips.xml")}},
        PodListRow{
            "FoldersAlike",
            {QStringLiteral("b.xml"), QStringLiteral("Archive.Xml/"), QStringLiteral("c.xml")},
            {QStringLiteral("Archive.Xml"), QStringLiteral("b.xml"), QStringLiteral("c.xml")}},
        // Upper case must not sort before every lower-case name, as a plain ordering would.
        PodListRow{"CapitalsSortAmongLowerCase",
                   {QStringLiteral("zebra.xml"), QStringLiteral("Mango.xml"),
                    QStringLiteral("apple.xml"), QStringLiteral("Banana.xml")},
                   {QStringLiteral("apple.xml"), QStringLiteral("Banana.xml"),
                    QStringLiteral("Mango.xml"), QStringLiteral("zebra.xml")}},
        PodListRow{"NamesEqualButForCaseStayTogether",
                   {QStringLiteral("podA.xml"), QStringLiteral("pod.xml"),
                    QStringLiteral("POD.xml"), QStringLiteral("Apple.xml")},
                   {QStringLiteral("Apple.xml"), QStringLiteral("POD.xml"),
                    QStringLiteral("pod.xml"), QStringLiteral("podA.xml")}},
        PodListRow{"NearMissesAreLeftOut",
                   {QStringLiteral("a.xml.part"), QStringLiteral("axml"),
                    QStringLiteral("manifest.txt"), QStringLiteral("b.xmlx"),
                    QStringLiteral("c.metadata.xml")},
                   {QStringLiteral("c.metadata.xml")}},
        PodListRow{"EmptyFolder", {}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PodContentTest, MissingPodsFolderListsNothing)
{
    ASSERT_FALSE(QFileInfo::exists(PodContent::podsFolder()));
    EXPECT_TRUE(PodContent::podFileNames().isEmpty());
}

TEST_F(PodContentTest, DynamicContentXmlHasTheExactPlainForm)
{
    makePods({QStringLiteral("quick-fix.metadata.xml"), QStringLiteral("Learn.metadata.xml"),
              QStringLiteral("quick-fix.swf")});
    PodContent::setLastShownPodFileName(QStringLiteral("Learn.metadata.xml"));
    const QString expected =
        QStringLiteral("<dynamic_content_info><application_name>pxo</application_name>"
                       "<root_directory>") +
        PodContent::podsFolder() +
        QStringLiteral("</root_directory><last_shown_pod_file_name>Learn.metadata.xml"
                       "</last_shown_pod_file_name><filelist><file>Learn.metadata.xml</file>"
                       "<file>quick-fix.metadata.xml</file></filelist></dynamic_content_info>");
    EXPECT_EQ(PodContent::dynamicContentXml(), expected);
}

TEST_F(PodContentTest, DynamicContentXmlWithoutPodsHasAnEmptyList)
{
    const QString expected =
        QStringLiteral("<dynamic_content_info><application_name>pxo</application_name>"
                       "<root_directory>") +
        PodContent::podsFolder() +
        QStringLiteral("</root_directory><last_shown_pod_file_name></last_shown_pod_file_name>"
                       "<filelist></filelist></dynamic_content_info>");
    EXPECT_EQ(PodContent::dynamicContentXml(), expected);
}

// Guards against names and folders with "&", "<" or ">" breaking the document the movie parses.
TEST_F(PodContentTest, DynamicContentXmlEscapesMarkupInNamesAndFolders)
{
    env.set("TESSALY_MACHINE_ROOT", env.root() + QStringLiteral("/R&D <lab>"));
    const QString tricky = QStringLiteral("Tips & <Tricks>.xml");
    makePods({tricky, QStringLiteral("plain.xml")});
    PodContent::setLastShownPodFileName(QStringLiteral("a&b>c.xml"));

    const QString xml = PodContent::dynamicContentXml();
    EXPECT_TRUE(xml.contains(QStringLiteral("<file>Tips &amp; &lt;Tricks&gt;.xml</file>")))
        << xml.toStdString();
    EXPECT_TRUE(xml.contains(
        QStringLiteral("<last_shown_pod_file_name>a&amp;b&gt;c.xml</last_shown_pod_file_name>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("/R&amp;D &lt;lab&gt;/data/")));

    // Read back by a parser, every value is the original text.
    QXmlStreamReader reader(xml);
    QStringList files;
    QString root, last;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        if (name == QLatin1String("file"))
            files << reader.readElementText();
        else if (name == QLatin1String("root_directory"))
            root = reader.readElementText();
        else if (name == QLatin1String("last_shown_pod_file_name"))
            last = reader.readElementText();
    }
    ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(files, (QStringList{QStringLiteral("plain.xml"), tricky}));
    EXPECT_EQ(root, PodContent::podsFolder());
    EXPECT_EQ(last, QStringLiteral("a&b>c.xml"));
}

TEST_F(PodContentTest, LastShownPodNameRoundTripsThroughTheUserHive)
{
    EXPECT_EQ(PodContent::lastShownPodFileName(), QString());
    PodContent::setLastShownPodFileName(QStringLiteral("organize-catalog.metadata.xml"));
    EXPECT_EQ(PodContent::lastShownPodFileName(), QStringLiteral("organize-catalog.metadata.xml"));
    // The value lives where other readers of the hive look for it, whatever case they use.
    PtSettingsCU other(QStringLiteral("Software\\Tessaly\\TIDINGS"));
    EXPECT_EQ(other.value(QStringLiteral("lastdynamicpodfilename")).toString(),
              QStringLiteral("organize-catalog.metadata.xml"));
    // An empty name from the movie replaces the earlier one.
    PodContent::setLastShownPodFileName(QString());
    EXPECT_EQ(PodContent::lastShownPodFileName(), QString());
}

TEST_F(PodContentTest, TrustFileListsPodsAndMovieFolders)
{
    const QString path =
        env.dataHome() + QStringLiteral("/Halvex/Glint Player/#Security/GlintPlayerTrust/"
                                        "en_us_pxo_pod_player11.cfg");
    EXPECT_EQ(PodContent::playerTrustFilePath(), path);
    ASSERT_TRUE(PodContent::writePlayerTrustFile());
    const QString assets = app + QStringLiteral("/Assets/");
    EXPECT_EQ(readAll(path), PodContent::podsFolder() + QLatin1Char('\n') + assets +
                                 QStringLiteral("/Locales/en_us/application_swfs/\n") + app +
                                 QStringLiteral("/Assets/Required\n"));
}

TEST_F(PodContentTest, TrustFileIsNeverRewrittenEvenWhenFoldersMoved)
{
    ASSERT_TRUE(PodContent::writePlayerTrustFile());
    const QString path = PodContent::playerTrustFilePath();
    const QString first = readAll(path);

    // A later start from elsewhere, with another machine root: the old file stays.
    LauncherPaths::setAssetsDirectory(env.root() + QStringLiteral("/moved/Assets/"));
    env.set("TESSALY_MACHINE_ROOT", env.root() + QStringLiteral("/other-machine"));
    ASSERT_NE(PodContent::podsFolder(), first.section(QLatin1Char('\n'), 0, 0));
    EXPECT_TRUE(PodContent::writePlayerTrustFile());
    EXPECT_EQ(readAll(path), first);

    // Hand-edited content is left alone as well.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("/somewhere/else\n");
    file.close();
    EXPECT_TRUE(PodContent::writePlayerTrustFile());
    EXPECT_EQ(readAll(path), QStringLiteral("/somewhere/else\n"));
}

TEST_F(PodContentTest, TrustFileIsPerLocale)
{
    ASSERT_TRUE(PodContent::writePlayerTrustFile());
    const QString english = PodContent::playerTrustFilePath();
    setMachineLocale(QStringLiteral("fr_fr"));
    const QString french = PodContent::playerTrustFilePath();
    EXPECT_TRUE(french.endsWith(QStringLiteral("/GlintPlayerTrust/fr_fr_pxo_pod_player11.cfg")));
    EXPECT_FALSE(QFileInfo::exists(french));
    ASSERT_TRUE(PodContent::writePlayerTrustFile());
    EXPECT_TRUE(readAll(french).startsWith(product() + QStringLiteral("Locale/fr_fr/")));
    EXPECT_TRUE(readAll(english).startsWith(product() + QStringLiteral("Locale/en_us/")));
}

TEST_F(PodContentTest, TrustFileLetsThePlayerLoadFromPodsAndOwnFoldersOnly)
{
    ASSERT_TRUE(PodContent::writePlayerTrustFile());
    EXPECT_EQ(GlintPlayerTrust::ownMovieFolders(),
              (QStringList{app + QStringLiteral("/Assets/Required"),
                           app + QStringLiteral("/Assets/Locales/en_us/application_swfs")}));
    EXPECT_TRUE(GlintPlayerTrust::mayLoad(app + QStringLiteral("/Assets/Required/PodPlayer.swf")));
    EXPECT_TRUE(GlintPlayerTrust::mayLoad(PodContent::podsFolder() + QStringLiteral("tip.swf")));
    EXPECT_FALSE(GlintPlayerTrust::mayLoad(env.root() + QStringLiteral("/elsewhere/tip.swf")));

    // Moved since the file was written: the own folders follow, the old file stays.
    const QString moved = env.root() + QStringLiteral("/moved/Assets/");
    LauncherPaths::setAssetsDirectory(moved);
    ASSERT_TRUE(PodContent::writePlayerTrustFile());
    EXPECT_TRUE(
        GlintPlayerTrust::mayLoad(moved + QStringLiteral("Required/WelcomeScreenContainer.swf")));
}

QStringList s_messages;

void recordMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    s_messages << text;
}

TEST_F(PodContentTest, UncreatableTrustFolderIsReportedAndLeavesNoFile)
{
    // A plain file where the trust folders would go.
    QFile blocker(env.dataHome() + QStringLiteral("/Halvex"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    s_messages.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("tessaly.launcher.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    const bool written = PodContent::writePlayerTrustFile();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    EXPECT_FALSE(written);
    EXPECT_FALSE(QFileInfo::exists(PodContent::playerTrustFilePath()));
    EXPECT_TRUE(s_messages.contains(QStringLiteral("Creation of Directory ") +
                                    PodContent::playerTrustFilePath() +
                                    QStringLiteral(" failed. EFP Might not work !")))
        << s_messages.join(QLatin1Char('|')).toStdString();
}

} // namespace
