#include "components/caps/capsdatabase.h"
#include "components/caps/tessalycaps.h"

#include "tests/support/testenvironment.h"

#include <gtest/gtest.h>

namespace {

const QString Apps = QStringLiteral(PCD_CROSSWIRE_DOMAIN);

std::unique_ptr<CapsDatabase> create()
{
    int32_t status = -1;
    return CapsDatabase::open(QString(), CapsDatabase::Access::Create, &status);
}

} // namespace

TEST(CapsDatabase, ReplacingARecordDropsKeysItNoLongerHas)
{
    TestEnvironment env;
    auto db = create();
    ASSERT_TRUE(db);
    ASSERT_EQ(db->replaceValues(Apps, QStringLiteral("a"),
                                {{QStringLiteral("Path"), QStringLiteral("/1")},
                                 {QStringLiteral("Extra"), QStringLiteral("x")}}),
              PCD_OK);
    ASSERT_EQ(db->replaceValues(Apps, QStringLiteral("a"),
                                {{QStringLiteral("Path"), QStringLiteral("/2")}}),
              PCD_OK);
    CapsValues values;
    ASSERT_EQ(db->values(Apps, QStringLiteral("a"), &values), PCD_OK);
    EXPECT_EQ(values, CapsValues({{QStringLiteral("Path"), QStringLiteral("/2")}}));
}

// Guards against the nested writes of a group committing on their own before the group does.
TEST(CapsDatabase, AnUncommittedTransactionLeavesNothing)
{
    TestEnvironment env;
    auto db = create();
    ASSERT_TRUE(db);
    {
        CapsDatabase::Transaction transaction(*db);
        ASSERT_EQ(transaction.status(), PCD_OK);
        ASSERT_EQ(db->setValue(Apps, QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("v")),
                  PCD_OK);
        EXPECT_EQ(db->replaceValues(Apps, QStringLiteral("b"), {{QString(), QStringLiteral("v")}}),
                  PCD_E_INVALID_ARGUMENT);
        ASSERT_EQ(db->replaceValues(Apps, QStringLiteral("b"),
                                    {{QStringLiteral("k"), QStringLiteral("v")}}),
                  PCD_OK);
        ASSERT_EQ(db->setValue(Apps, QStringLiteral("c"), QStringLiteral("k"), QStringLiteral("v")),
                  PCD_OK);
        // Not committed: the destructor rolls back.
    }
    QStringList names;
    ASSERT_EQ(db->subdomains(Apps, &names), PCD_OK);
    EXPECT_TRUE(names.isEmpty());

    {
        CapsDatabase::Transaction transaction(*db);
        ASSERT_EQ(db->setValue(Apps, QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("v")),
                  PCD_OK);
        EXPECT_EQ(transaction.commit(), PCD_OK);
    }
    ASSERT_EQ(db->subdomains(Apps, &names), PCD_OK);
    EXPECT_EQ(names, QStringList{QStringLiteral("a")});
}

TEST(CapsDatabase, CreatingTwiceKeepsTheData)
{
    TestEnvironment env;
    {
        auto db = create();
        ASSERT_TRUE(db);
        ASSERT_EQ(db->setValue(Apps, QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("v")),
                  PCD_OK);
    }
    auto again = create();
    ASSERT_TRUE(again);
    QString value;
    EXPECT_EQ(again->value(Apps, QStringLiteral("a"), QStringLiteral("k"), &value), PCD_OK);
    EXPECT_EQ(value, QStringLiteral("v"));
}
