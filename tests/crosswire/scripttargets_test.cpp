// The static members of Crosswire that look installed applications up through the connector.

#include "crosswire/crosswireconnector.h"
#include "crosswire/crosswirescripttargets.h"
#include "tests/crosswire/scriptsupport.h"

#include <gtest/gtest.h>

using namespace KnObjects;
using CrosswireTest::ScriptApplication;

namespace {

// The installed list the test sets, kept as it is (no configuration database behind it).
class FixedConnector : public CrosswireConnector
{
public:
    FixedConnector()
        : CrosswireConnector(QStringLiteral("/nonexistent/libtessaly_caps.so"))
    {
    }
    void refreshCache(bool) override {}
};

CWConnectorAppInfo record(const char *specifier, const char *group, const char *display = "",
                          const char *srtk = "")
{
    CWConnectorAppInfo info(specifier, QByteArray("/opt/tessaly/") + specifier + "/App");
    info.setValue(CWConnectorAppInfo::Group, group);
    info.setValue(CWConnectorAppInfo::DisplayName, display);
    info.setValue(CWConnectorAppInfo::SupportsSRTK, srtk);
    return info;
}

class ScriptTargets : public ScriptApplication
{
protected:
    void SetUp() override
    {
        auto connector = std::make_unique<FixedConnector>();
        connector->installed().setRecords({
            record("pxoorganizer-10.0", "pxo-old", "Organizer 10"),
            record("pxoorganizer-11.0", "pxo", "Orvana Organizer", "1"),
            record("pxoorganizer-11.5", "pxo", "Orvana Organizer 11.5", "yes"),
            record("pxoeditor-11.0-en_us", "pxo", "Pixtrel Orvana Editor"),
            record("pxoeditor-11.0-de_de", "pxo", "Pixtrel Orvana Editor (Deutsch)"),
            record("othertool-2.0", "tools", "Other Tool", "0"),
        });
        // The group "pxo" names its preferred application; "tools" does not.
        connector->setGroups({{"pxo", "Pixtrel Orvana", "pxoeditor-11.0-de_de"}});
        start("scripttest-1.0", std::move(connector));
    }
    void TearDown() override
    {
        CrosswireScriptTargets::setBringToFront({});
        ScriptApplication::TearDown();
    }
};

struct LookupRow
{
    const char *name;
    const char *script;
    const char *expected;
};

class ScriptTargetsLookup : public ScriptTargets, public ::testing::WithParamInterface<LookupRow>
{
};

TEST_P(ScriptTargetsLookup, AnswersFromTheInstalledApplications)
{
    EXPECT_EQ(value(QString::fromUtf8(GetParam().script)), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, ScriptTargetsLookup,
    ::testing::Values(
        LookupRow{"SpecifierHighestOfMajor", "Crosswire.getSpecifier('pxoorganizer', 11)",
                  "pxoorganizer-11.5"},
        LookupRow{"SpecifierOtherMajor", "Crosswire.getSpecifier('pxoorganizer', 10)",
                  "pxoorganizer-10.0"},
        LookupRow{"SpecifierFullVersionText", "Crosswire.getSpecifier('pxoorganizer', '11.0')",
                  "pxoorganizer-11.0"},
        LookupRow{"SpecifierAnyVersion", "Crosswire.getSpecifier('PXOOrganizer')",
                  "pxoorganizer-11.5"},
        LookupRow{"SpecifierLocale", "Crosswire.getSpecifier('pxoeditor', 11, 'de_DE')",
                  "pxoeditor-11.0-de_de"},
        LookupRow{"SpecifierNotInstalled", "Crosswire.getSpecifier('pxoorganizer', 12)", ""},
        LookupRow{"SpecifierUnknownApplication", "Crosswire.getSpecifier('nosuchapp')", ""},
        LookupRow{"TargetsOfMajor", "Crosswire.getTargets(11).join(',')",
                  "pxoeditor-11.0-de_de,pxoeditor-11.0-en_us,pxoorganizer-11.0,"
                  "pxoorganizer-11.5"},
        LookupRow{"TargetsOfLocale", "Crosswire.getTargets(0, 'de_de').join(',')",
                  "pxoeditor-11.0-de_de"},
        LookupRow{"TargetsAll", "Crosswire.getTargets().length", "6"},
        LookupRow{"DisplayName", "Crosswire.getDisplayName('pxoorganizer-11.0')",
                  "Orvana Organizer"},
        LookupRow{"DisplayNameOfBareApplication", "Crosswire.getDisplayName('pxoorganizer')",
                  "Orvana Organizer 11.5"},
        LookupRow{"DisplayNameNotInstalled", "Crosswire.getDisplayName('nosuchapp-1.0')", ""},
        LookupRow{"AppPath", "Crosswire.getAppPath('othertool-2.0', 'scripttest-1.0')",
                  "/opt/tessaly/othertool-2.0/App"},
        LookupRow{"Installed", "Crosswire.isInstalled('pxoorganizer-11.0')", "true"},
        LookupRow{"InstalledWithInstance", "Crosswire.isInstalled('pxoorganizer_2-11.0')", "true"},
        LookupRow{"NotInstalled", "Crosswire.isInstalled('pxoorganizer-9.0')", "false"},
        LookupRow{"SrtkOne", "Crosswire.supportsSRTK('pxoorganizer-11.0')", "true"},
        LookupRow{"SrtkYes", "Crosswire.supportsSRTK('pxoorganizer-11.5')", "true"},
        LookupRow{"SrtkZero", "Crosswire.supportsSRTK('othertool-2.0')", "false"},
        LookupRow{"SrtkNotInstalled", "Crosswire.supportsSRTK('nosuchapp-1.0')", "false"},
        LookupRow{"GroupOfSpecifier", "Crosswire.getGroupForSpecifier('pxoorganizer-11.0', '')",
                  "pxo"},
        LookupRow{"GroupOfSpecifierInVersion",
                  "Crosswire.getGroupForSpecifier('pxoorganizer-11.0', '11')", "pxo"},
        LookupRow{"GroupOfSpecifierOtherVersion",
                  "Crosswire.getGroupForSpecifier('pxoorganizer-11.0', '10')", ""},
        LookupRow{"SpecifierForGroup", "Crosswire.getSpecifierForGroup('pxoorganizer', 'pxo', '')",
                  "pxoorganizer-11.5"},
        LookupRow{"SpecifierForGroupVersion",
                  "Crosswire.getSpecifierForGroup('pxoorganizer-11.0', 'PXO', '11.0')",
                  "pxoorganizer-11.0"},
        LookupRow{"SpecifierForOtherGroup",
                  "Crosswire.getSpecifierForGroup('pxoorganizer', 'tools', '')", ""},
        LookupRow{"PreferredInstalledTarget",
                  "Crosswire.getPreferredApp('scripttest-1.0', 'othertool-2.0', 'pxo')",
                  "othertool-2.0"},
        LookupRow{"PreferredOfGroup",
                  "Crosswire.getPreferredApp('pxoorganizer-11.0', 'nosuchapp-1.0', 'pxo')",
                  "pxoeditor-11.0-de_de"},
        LookupRow{"PreferredHighestWithoutDefinition",
                  "Crosswire.getPreferredApp('scripttest-1.0', '', 'tools')", "othertool-2.0"},
        LookupRow{"SpecifierForGroupPreferred", "Crosswire.getSpecifierForGroup('', 'pxo', '')",
                  "pxoeditor-11.0-de_de"},
        LookupRow{"PreferredNothing",
                  "Crosswire.getPreferredApp('scripttest-1.0', 'nosuchapp-1.0', 'nogroup')", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ScriptTargets, BringToFrontRaisesTheInstalledApplicationsWindows)
{
    QByteArrayList raised;
    CrosswireScriptTargets::setBringToFront([&raised](const CWConnectorAppInfo &info) {
        raised.append(info.specifier());
        return true;
    });
    EXPECT_EQ(value(QStringLiteral("typeof Crosswire.bringToFront('pxoorganizer-11.0')")),
              QLatin1String("undefined"));
    EXPECT_TRUE(run(QStringLiteral("Crosswire.bringToFront('nosuchapp-1.0')")));
    EXPECT_EQ(raised, QByteArrayList{"pxoorganizer-11.0"});
}

TEST_F(ScriptTargets, LaunchOfAnApplicationThatCannotStartDoesNotThrow)
{
    // Installed, but its program does not exist: the launch fails quietly for the script.
    EXPECT_EQ(value(QStringLiteral("typeof Crosswire.launch('othertool-2.0', 'true')")),
              QLatin1String("undefined"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.isRunning('othertool-2.0')")),
              QLatin1String("false"));
    EXPECT_EQ(value(QStringLiteral("Crosswire.updateConnectorCache(false)")),
              QLatin1String("true"));
}

struct VersionRow
{
    const char *version;
    const char *wanted;
    bool matches;
};

class ScriptTargetsVersions : public ::testing::TestWithParam<VersionRow>
{
};

TEST_P(ScriptTargetsVersions, RecordVersionBelongsToTheWantedOne)
{
    EXPECT_EQ(CrosswireScriptTargets::versionMatches(GetParam().version, GetParam().wanted),
              GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ScriptTargetsVersions,
    ::testing::Values(VersionRow{"11.0", "", true}, VersionRow{"11.0", "11", true},
                      VersionRow{"11.5", "11", true}, VersionRow{"12.0", "11", false},
                      VersionRow{"11.0", "11.0", true}, VersionRow{"11.0", "11.00", true},
                      VersionRow{"11.5", "11.0", false}, VersionRow{"", "11", false},
                      VersionRow{"11.0", "x", false}));

} // namespace
