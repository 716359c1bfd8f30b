// Addresses in scripts: the URL class's parts and the "tessaly-crosswire" address from which a
// Crosswire object is made.

#include "crosswire/crosswireliveobject.h"
#include "crosswire/crosswireliveobjectfactory.h"
#include "crosswire/crosswireurl.h"
#include "crosswire/urlobject.h"
#include "tests/crosswire/scriptsupport.h"

#include <gtest/gtest.h>

using namespace KnObjects;
using CrosswireTest::ScriptApplication;

namespace {

struct UrlPartsRow
{
    const char *name;
    const char *url;
    bool valid;
    const char *scheme;
    const char *host;
    const char *user;
    const char *port;
    const char *path;
    const char *parameter;
    const char *query;
    const char *location;
    const char *fragment;
};

class UrlParts : public ::testing::TestWithParam<UrlPartsRow>
{
};

TEST_P(UrlParts, PartsOfTheAddress)
{
    const UrlPartsRow &row = GetParam();
    const URLObject url(QString::fromUtf8(row.url));
    EXPECT_EQ(url.isValid(), row.valid);
    EXPECT_EQ(url.scheme(), QString::fromUtf8(row.scheme));
    EXPECT_EQ(url.host(), QString::fromUtf8(row.host));
    EXPECT_EQ(url.user(), QString::fromUtf8(row.user));
    EXPECT_EQ(url.port(), QString::fromUtf8(row.port));
    EXPECT_EQ(url.path(), QString::fromUtf8(row.path));
    EXPECT_EQ(url.parameter(), QString::fromUtf8(row.parameter));
    EXPECT_EQ(url.query(), QString::fromUtf8(row.query));
    EXPECT_EQ(url.location(), QString::fromUtf8(row.location));
    EXPECT_EQ(url.fragment(), QString::fromUtf8(row.fragment));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, UrlParts,
    ::testing::Values(
        UrlPartsRow{"Full", "https://anna@www.example.com:8443/docs/a%20b.html?x=1&y=2#part", true,
                    "https", "www.example.com", "anna", "8443", "/docs/a b.html", "", "x=1&y=2",
                    "?x=1&y=2#part", "part"},
        UrlPartsRow{"NoPortNoUser", "http://example.com/", true, "http", "example.com", "", "", "/",
                    "", "", "", ""},
        UrlPartsRow{"FragmentOnly", "http://example.com/page#top", true, "http", "example.com", "",
                    "", "/page", "", "", "#top", "top"},
        UrlPartsRow{"Parameter", "ftp://files.example.com/pub/file.txt;type=i", true, "ftp",
                    "files.example.com", "", "", "/pub/file.txt", "type=i", "", "", ""},
        UrlPartsRow{"File", "file:///home/anna/My%20Pictures/", true, "file", "", "", "",
                    "/home/anna/My Pictures/", "", "", "", ""},
        UrlPartsRow{"CrosswireAddress", "tessaly-crosswire:pxoorganizer-11.0?body=1", true,
                    "tessaly-crosswire", "", "", "", "pxoorganizer-11.0", "", "body=1", "?body=1",
                    ""},
        UrlPartsRow{"Relative", "docs/index.html", false, "", "", "", "", "", "", "", "", ""},
        UrlPartsRow{"Empty", "", false, "", "", "", "", "", "", "", "", ""},
        UrlPartsRow{"BadPort", "http://example.com:99999/", false, "", "", "", "", "", "", "", "",
                    ""}),
    [](const auto &info) { return std::string(info.param.name); });

struct AddressRow
{
    const char *name;
    const char *url;
    const char *target; // null: not an address
    const char *properties;
};

class CrosswireAddress : public ::testing::TestWithParam<AddressRow>
{
};

TEST_P(CrosswireAddress, SplitsIntoTargetAndProperties)
{
    const AddressRow &row = GetParam();
    QString error;
    const auto split = CrosswireUrl::split(QString::fromUtf8(row.url), &error);
    if (!row.target) {
        EXPECT_FALSE(split.has_value()) << split->target.toStdString();
        EXPECT_FALSE(error.isEmpty());
        return;
    }
    ASSERT_TRUE(split.has_value()) << error.toStdString();
    EXPECT_EQ(split->target, QByteArray(row.target));
    QStringList pairs;
    for (const auto &property : split->properties)
        pairs.append(property.first + QLatin1Char('=') + property.second);
    EXPECT_EQ(pairs.join(QLatin1Char('|')), QString::fromUtf8(row.properties));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, CrosswireAddress,
    ::testing::Values(
        AddressRow{"PathTarget", "tessaly-crosswire:pxoorganizer-11.0", "pxoorganizer-11.0", ""},
        AddressRow{"AuthorityTarget", "tessaly-crosswire://pxoeditor-11.0", "pxoeditor-11.0", ""},
        AddressRow{"EndpointPart", "tessaly-crosswire://pxoorganizer-11.0/thread",
                   "pxoorganizer-11.0#thread", ""},
        AddressRow{"EndpointAsFragment", "tessaly-crosswire:pxoorganizer-11.0#thread",
                   "pxoorganizer-11.0#thread", ""},
        AddressRow{"SchemeInCapitals", "Tessaly-Crosswire:pxoeditor-11.0", "pxoeditor-11.0", ""},
        AddressRow{
            "QueryDecoded",
            "tessaly-crosswire:pxoorganizer-11.0?body=open('organizeTab',%20'x')%3B&type=Scriptara",
            "pxoorganizer-11.0", "body=open('organizeTab', 'x');|type=Scriptara"},
        AddressRow{"AmpersandInValue", "tessaly-crosswire:a-1.0?body=1%262&timeout=5", "a-1.0",
                   "body=1&2|timeout=5"},
        AddressRow{"ValueWithoutEquals", "tessaly-crosswire:a-1.0?flag", "a-1.0", "flag="},
        AddressRow{"InstanceAndLocale", "tessaly-crosswire:pxoorganizer_2-11.0-en_us",
                   "pxoorganizer_2-11.0-en_us", ""},
        AddressRow{"OtherScheme", "http://pxoorganizer-11.0/", nullptr, ""},
        AddressRow{"NoTarget", "tessaly-crosswire:?body=1", nullptr, ""},
        AddressRow{"ThreeParts", "tessaly-crosswire:a-1.0/b/c", nullptr, ""},
        AddressRow{"TwoEndpoints", "tessaly-crosswire:a-1.0/b#c", nullptr, ""},
        AddressRow{"BlankInTarget", "tessaly-crosswire:a%20b-1.0", nullptr, ""},
        AddressRow{"LineBreakInTarget", "tessaly-crosswire:a%0AType:Debug", nullptr, ""},
        AddressRow{"UserAndPort", "tessaly-crosswire://me@a-1.0:80", nullptr, ""},
        AddressRow{"NamelessQueryItem", "tessaly-crosswire:a-1.0?=1", nullptr, ""},
        AddressRow{"NotAnAddress", "pxoorganizer-11.0", nullptr, ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Limits at limit - 1, limit and limit + 1.
TEST(CrosswireAddressLimits, TargetLengthAndPropertyCount)
{
    const QString prefix = QStringLiteral("tessaly-crosswire:");
    EXPECT_TRUE(CrosswireUrl::split(prefix + QString(255, QLatin1Char('a'))).has_value());
    EXPECT_FALSE(CrosswireUrl::split(prefix + QString(256, QLatin1Char('a'))).has_value());
    auto withItems = [&](int count) {
        QStringList items;
        for (int i = 0; i < count; ++i)
            items.append(QStringLiteral("p%1=%1").arg(i));
        return CrosswireUrl::split(prefix + QStringLiteral("a-1.0?") +
                                   items.join(QLatin1Char('&')));
    };
    EXPECT_TRUE(withItems(CrosswireUrl::kMaxProperties - 1).has_value());
    EXPECT_TRUE(withItems(CrosswireUrl::kMaxProperties).has_value());
    EXPECT_FALSE(withItems(CrosswireUrl::kMaxProperties + 1).has_value());
    EXPECT_FALSE(CrosswireUrl::split(prefix + QStringLiteral("a-1.0?body=") +
                                     QString(CrosswireUrl::kMaxLength, QLatin1Char('x')))
                     .has_value());
}

TEST(CrosswireAddressObject, AddressSetsTheObjectsProperties)
{
    int error = 0;
    const auto object = CrosswireLiveObjectFactory::fromAddress(
        QStringLiteral("tessaly-crosswire:pxoorganizer-11.0/thread?body=ping()&timeout=12&"
                       "type=Debug&origin=welcome"),
        error);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->message().target, QByteArray("pxoorganizer-11.0#thread"));
    EXPECT_EQ(object->message().body, QByteArray("ping()"));
    EXPECT_EQ(object->message().timeout, 12);
    EXPECT_EQ(object->message().type, QByteArray("Debug"));
    EXPECT_EQ(object->dynamicProperty(QStringLiteral("origin")).toString().toQString(),
              QLatin1String("welcome"));
}

struct RefusedAddressRow
{
    const char *name;
    const char *url;
};

class CrosswireAddressRefused : public ::testing::TestWithParam<RefusedAddressRow>
{
};

TEST_P(CrosswireAddressRefused, ObjectIsNotMadeAndTheErrorIsMinus28)
{
    int error = 0;
    EXPECT_EQ(CrosswireLiveObjectFactory::fromAddress(QString::fromUtf8(GetParam().url), error),
              nullptr);
    EXPECT_EQ(error, -28);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CrosswireAddressRefused,
    ::testing::Values(RefusedAddressRow{"NotAnAddress", "just text"},
                      RefusedAddressRow{"ReadOnlyHeaders", "tessaly-crosswire:a-1.0?headers=x"},
                      RefusedAddressRow{"NegativeTimeout", "tessaly-crosswire:a-1.0?timeout=-1"},
                      RefusedAddressRow{"LineBreakInSender",
                                        "tessaly-crosswire:a-1.0?sender=x%0AType:Debug"}),
    [](const auto &info) { return std::string(info.param.name); });

class ScriptAddresses : public ScriptApplication
{
};

TEST_F(ScriptAddresses, ScriptsReadUrlPartsAndBuildCrosswireObjectsFromAddresses)
{
    EXPECT_EQ(value(QStringLiteral("var u = new URL('http://example.com:81/a?b=1#c'); "
                                   "[u.valid, u.scheme, u.host, u.port, u.path, u.query, "
                                   "u.fragment].join(',')")),
              QLatin1String("true,http,example.com,81,/a,b=1,c"));
    EXPECT_EQ(value(QStringLiteral("u.url = 'not an address'; String(u.valid) + u.host")),
              QLatin1String("false"));
    EXPECT_FALSE(run(QStringLiteral("u.host = 'x'")));
    EXPECT_EQ(value(QStringLiteral(
                  "var c = new Crosswire('tessaly-crosswire:pxoeditor-11.0?body=new_file()'); "
                  "c.target + ' ' + c.body")),
              QLatin1String("pxoeditor-11.0 new_file()"));
    EXPECT_EQ(value(QStringLiteral("var c2 = new Crosswire(new URL('tessaly-crosswire:"
                                   "pxoeditor-11.0#thread')); c2.target")),
              QLatin1String("pxoeditor-11.0#thread"));
    ASSERT_FALSE(run(QStringLiteral("new Crosswire('http://example.com/')")));
    EXPECT_TRUE(lastError().contains(QLatin1String("-28"))) << lastError().toStdString();
}

TEST_F(ScriptAddresses, AnAddressMadeObjectIsSentLikeAnyOther)
{
    ASSERT_EQ(value(QStringLiteral(R"JS(
        var got = [];
        var a = new Crosswire('tessaly-crosswire:scripttest-1.0?body=%27from%20an%20address%27');
        a.onResult = function (m) { got.push(m.body); };
        String(a.send());
    )JS")),
              QLatin1String("true"));
    ASSERT_TRUE(pumpUntilScript(QStringLiteral("got.length > 0")));
    EXPECT_EQ(value(QStringLiteral("got[0]")), QLatin1String("from an address"));
}

} // namespace
