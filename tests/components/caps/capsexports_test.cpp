#include "components/caps/capsdatabase.h"
#include "components/caps/capslibrary.h"
#include "components/caps/tessalycaps.h"

#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const char *const Apps = PCD_CROSSWIRE_DOMAIN;

CapsLibrary &library()
{
    static CapsLibrary instance(QStringLiteral(TESSALY_CAPS_LIBRARY));
    return instance;
}

QString defaultDatabase(const TestEnvironment &env)
{
    return env.machineRoot() + QStringLiteral("/caps/configuration.db");
}

void createDatabase()
{
    int32_t status = -1;
    ASSERT_TRUE(CapsDatabase::open(QString(), CapsDatabase::Access::Create, &status));
}

QStringList subdomains(PCDSession session, const char *domain, int32_t *status)
{
    return CapsLibrary::collect(
        [&](PCDEnumCallback callback, void *context) {
            return library().pcdGetDomainDataSubdomains(session, domain, callback, context);
        },
        status);
}

} // namespace

TEST(CapsExports, EveryEntryPointResolvesByName)
{
    ASSERT_TRUE(library().isLoaded()) << library().errorString().toStdString();
}

struct OpenRow
{
    const char *name;
    int32_t (*open)(const char *path, void **session);
};

class CapsMissingDatabase : public ::testing::TestWithParam<OpenRow>
{
};

// Guards against a read creating an empty database (and its folder) on a machine without one.
TEST_P(CapsMissingDatabase, OpenFailsWithoutCreatingAnything)
{
    TestEnvironment env;
    void *session = reinterpret_cast<void *>(0x1);
    EXPECT_EQ(GetParam().open(nullptr, &session), PCD_E_NO_DATABASE);
    EXPECT_EQ(session, reinterpret_cast<void *>(0x1)) << "out-parameter written on failure";
    const QByteArray explicitPath = QFile::encodeName(env.root() + QStringLiteral("/x/c.db"));
    EXPECT_EQ(GetParam().open(explicitPath.constData(), &session), PCD_E_NO_DATABASE);
    EXPECT_FALSE(QFileInfo::exists(env.machineRoot() + QStringLiteral("/caps")));
    EXPECT_FALSE(QFileInfo::exists(env.root() + QStringLiteral("/x")));
}

INSTANTIATE_TEST_SUITE_P(AllOpeners, CapsMissingDatabase,
                         ::testing::Values(OpenRow{"plain",
                                                   [](const char *p, void **s) {
                                                       return library().pcdOpenSessionNoCreate(
                                                           p, reinterpret_cast<PCDSession *>(s));
                                                   }},
                                           OpenRow{"cache",
                                                   [](const char *p, void **s) {
                                                       return library().pcdOpenCacheSessionNoCreate(
                                                           p, reinterpret_cast<PCDSession *>(s));
                                                   }},
                                           OpenRow{"caps",
                                                   [](const char *p, void **s) {
                                                       return library().capsOpenSession(
                                                           p, reinterpret_cast<CAPSSession *>(s));
                                                   }}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(CapsExports, AFileThatIsNoDatabaseIsAnErrorNotAnEmptyList)
{
    TestEnvironment env;
    QDir().mkpath(env.machineRoot() + QStringLiteral("/caps"));
    QFile file(defaultDatabase(env));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Windows Registry Editor Version 5.00\n");
    file.close();
    PCDSession session = nullptr;
    EXPECT_EQ(library().pcdOpenCacheSessionNoCreate(nullptr, &session), PCD_E_DATABASE);
    EXPECT_EQ(library().pcdOpenSessionNoCreate(nullptr, &session), PCD_E_DATABASE);
    EXPECT_EQ(session, nullptr);
}

TEST(CapsExports, DomainDataRoundTripAndNaming)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session writer(library(), false);
    ASSERT_TRUE(writer.isOpen()) << writer.status();
    // The domain without its trailing "/" is the same domain.
    ASSERT_TRUE(writer.setValue(QStringLiteral("/tessaly/crosswire"),
                                QStringLiteral("pxoorganizer-11.0"), QStringLiteral("Path"),
                                QStringLiteral("/opt/o/PixtrelOrvanaOrganizer")));
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("pxoorganizer-11.0"),
                                QStringLiteral("Group"), QStringLiteral("pxoorganizer")));
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("pxoeditor-11.0"),
                                QStringLiteral("Path"), QStringLiteral("Ünïcode ✓")));
    // Rewriting a key keeps its place in the key order.
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("PXOORGANIZER-11.0"),
                                QStringLiteral("PATH"), QStringLiteral("/opt/o2/Organizer")));

    CapsLibrary::Session reader(library(), true);
    ASSERT_TRUE(reader.isOpen());
    EXPECT_EQ(reader.subdomains(QLatin1String(Apps)),
              QStringList({QStringLiteral("pxoeditor-11.0"), QStringLiteral("pxoorganizer-11.0")}));
    EXPECT_EQ(reader.keys(QLatin1String(Apps), QStringLiteral("pxoorganizer-11.0")),
              QStringList({QStringLiteral("Path"), QStringLiteral("Group")}));
    EXPECT_EQ(reader.value(QLatin1String(Apps), QStringLiteral("PxoOrganizer-11.0"),
                           QStringLiteral("path")),
              QStringLiteral("/opt/o2/Organizer"));
    EXPECT_EQ(
        reader.value(QLatin1String(Apps), QStringLiteral("pxoeditor-11.0"), QStringLiteral("Path")),
        QStringLiteral("Ünïcode ✓"));
    EXPECT_EQ(reader.value(QLatin1String(Apps), QStringLiteral("pxoeditor-11.0"),
                           QStringLiteral("Group")),
              std::nullopt);
    EXPECT_EQ(reader.status(), PCD_E_NOT_FOUND);
    // Domains are not nested: the groups domain is no sub-domain of the applications' one.
    EXPECT_TRUE(reader.subdomains(QStringLiteral(PCD_CROSSWIRE_GROUPS_DOMAIN)).isEmpty());
    EXPECT_EQ(reader.status(), PCD_E_NOT_FOUND);
}

TEST(CapsExports, ValueBufferSizesAtTheLimit)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session writer(library(), false);
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k"),
                                QStringLiteral("12345")));
    const int32_t needed = 6; // five bytes and the NUL
    for (const int32_t capacity : {0, needed - 1, needed, needed + 1}) {
        SCOPED_TRACE(capacity);
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        int32_t size = capacity;
        const int32_t status = library().pcdGetDomainData(writer.handle(), Apps, "a", "k",
                                                          capacity ? buffer : nullptr, &size);
        if (capacity < needed) {
            EXPECT_EQ(status, PCD_E_BUFFER_TOO_SMALL);
            EXPECT_EQ(size, needed);
            EXPECT_EQ(buffer[0], 'x') << "a too small buffer was written to";
        } else {
            EXPECT_EQ(status, PCD_OK);
            EXPECT_EQ(size, needed);
            EXPECT_STREQ(buffer, "12345");
        }
    }
}

TEST(CapsExports, InvalidArgumentsAreRefused)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session s(library(), false);
    const PCDEnumCallback ignore = [](const char *, void *) -> int32_t {
        return 0;
    };
    int32_t size = 10;
    char buffer[10];
    int64_t time = 0;
    const auto &l = library();
    EXPECT_EQ(l.pcdOpenSessionNoCreate(nullptr, nullptr), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdCloseSession(nullptr), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdGetDomainDataSubdomains(nullptr, Apps, ignore, nullptr), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdGetDomainDataSubdomains(s.handle(), "", ignore, nullptr),
              PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdGetDomainDataSubdomains(s.handle(), Apps, nullptr, nullptr),
              PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdGetDomainData(s.handle(), Apps, "a", nullptr, buffer, &size),
              PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdGetDomainData(s.handle(), Apps, "a", "k", buffer, nullptr),
              PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdSetDomainData(s.handle(), nullptr, "a", "k", "v"), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdSetDomainData(s.handle(), Apps, "a", "", "v"), PCD_E_INVALID_ARGUMENT);
    // A key without its sub-domain would otherwise remove a key of every sub-domain.
    EXPECT_EQ(l.pcdRemoveDomainData(s.handle(), Apps, nullptr, "Path"), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.pcdGetLastModTime(s.handle(), nullptr, nullptr), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.capsGetPayloadData(nullptr, "p", "k", buffer, &size), PCD_E_INVALID_ARGUMENT);
    EXPECT_EQ(l.capsGetLastModTime(nullptr, &time), PCD_E_INVALID_ARGUMENT);
}

TEST(CapsExports, EnumerationStopsWhenTheCallbackSaysSo)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session s(library(), false);
    for (const char *name : {"a", "b", "c"})
        ASSERT_TRUE(s.setValue(QLatin1String(Apps), QLatin1String(name), QStringLiteral("k"),
                               QStringLiteral("v")));
    int calls = 0;
    const PCDEnumCallback stop = [](const char *, void *context) -> int32_t {
        ++*static_cast<int *>(context);
        return 1;
    };
    EXPECT_EQ(library().pcdGetDomainDataSubdomains(s.handle(), Apps, stop, &calls), PCD_OK);
    EXPECT_EQ(calls, 1);
}

TEST(CapsExports, RemovalsAtEachLevelAndNotFound)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session s(library(), false);
    const auto &l = library();
    for (const char *sub : {"a", "b"}) {
        for (const char *key : {"k1", "k2"})
            ASSERT_EQ(l.pcdSetDomainData(s.handle(), Apps, sub, key, "v"), PCD_OK);
    }
    ASSERT_EQ(l.pcdSetDomainData(s.handle(), "/other/", "x", "k", "v"), PCD_OK);
    ASSERT_EQ(l.pcdSetDomainData(s.handle(), Apps, "", "Own", "v"), PCD_OK);
    EXPECT_EQ(s.keys(QLatin1String(Apps), QString()), QStringList{QStringLiteral("Own")});
    // Guards against "" (the domain's own keys) being taken for "the whole domain".
    EXPECT_EQ(l.pcdRemoveDomainData(s.handle(), Apps, "", nullptr), PCD_OK);
    EXPECT_EQ(s.subdomains(QLatin1String(Apps)),
              QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(l.pcdRemoveDomainData(s.handle(), Apps, "a", "k1"), PCD_OK);
    EXPECT_EQ(s.keys(QLatin1String(Apps), QStringLiteral("a")), QStringList{QStringLiteral("k2")});
    EXPECT_EQ(l.pcdRemoveDomainData(s.handle(), Apps, "a", "k1"), PCD_E_NOT_FOUND);
    EXPECT_EQ(l.pcdRemoveDomainData(s.handle(), Apps, "b", nullptr), PCD_OK);
    EXPECT_EQ(s.subdomains(QLatin1String(Apps)), QStringList{QStringLiteral("a")});
    EXPECT_EQ(l.pcdRemoveDomainData(s.handle(), Apps, nullptr, nullptr), PCD_OK);
    int32_t status = 0;
    EXPECT_TRUE(subdomains(s.handle(), Apps, &status).isEmpty());
    EXPECT_EQ(status, PCD_E_NOT_FOUND);
    EXPECT_EQ(s.value(QStringLiteral("/other/"), QStringLiteral("x"), QStringLiteral("k")),
              QStringLiteral("v"));
}

TEST(CapsExports, LastModificationTimeMovesWithEveryChange)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session s(library(), false);
    EXPECT_EQ(s.lastModified(QLatin1String(Apps)), std::nullopt);
    EXPECT_EQ(s.status(), PCD_E_NOT_FOUND);
    const int64_t before = s.lastModified().value_or(-1);
    ASSERT_TRUE(s.setValue(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k"),
                           QStringLiteral("1")));
    const int64_t afterSet = s.lastModified(QLatin1String(Apps)).value_or(-1);
    EXPECT_GT(afterSet, before);
    EXPECT_EQ(s.lastModified(), afterSet);
    // Two changes within one millisecond still move the time forward.
    ASSERT_TRUE(s.setValue(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k"),
                           QStringLiteral("2")));
    const int64_t afterSecond = s.lastModified(QLatin1String(Apps)).value_or(-1);
    EXPECT_GT(afterSecond, afterSet);
    // A removal is a change: a reader that compares times must see it.
    ASSERT_EQ(library().pcdRemoveDomainData(s.handle(), Apps, "a", nullptr), PCD_OK);
    EXPECT_GT(s.lastModified(QLatin1String(Apps)).value_or(-1), afterSecond);
    // A change of another domain leaves this one's time alone.
    const int64_t apps = s.lastModified(QLatin1String(Apps)).value_or(-1);
    ASSERT_TRUE(s.setValue(QStringLiteral("/other/"), QStringLiteral("x"), QStringLiteral("k"),
                           QStringLiteral("v")));
    EXPECT_EQ(s.lastModified(QLatin1String(Apps)), apps);
    EXPECT_GT(s.lastModified().value_or(-1), apps);
}

TEST(CapsExports, CacheSessionReadsOneStateAndIsReadOnly)
{
    TestEnvironment env;
    createDatabase();
    CapsLibrary::Session writer(library(), false);
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k"),
                                QStringLiteral("old")));
    CapsLibrary::Session cache(library(), true);
    ASSERT_TRUE(cache.isOpen());
    EXPECT_FALSE(cache.setValue(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k"),
                                QStringLiteral("x")));
    EXPECT_EQ(cache.status(), PCD_E_READ_ONLY);
    // The writer is not held up by the open reader.
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k"),
                                QStringLiteral("new")));
    ASSERT_TRUE(writer.setValue(QLatin1String(Apps), QStringLiteral("b"), QStringLiteral("k"),
                                QStringLiteral("new")));
    EXPECT_EQ(cache.value(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k")),
              QStringLiteral("old"));
    EXPECT_EQ(cache.subdomains(QLatin1String(Apps)), QStringList{QStringLiteral("a")});
    CapsLibrary::Session fresh(library(), true);
    EXPECT_EQ(fresh.value(QLatin1String(Apps), QStringLiteral("a"), QStringLiteral("k")),
              QStringLiteral("new"));
}

TEST(CapsExports, PayloadsByCollection)
{
    TestEnvironment env;
    int32_t status = -1;
    auto db = CapsDatabase::open(QString(), CapsDatabase::Access::Create, &status);
    ASSERT_TRUE(db);
    ASSERT_EQ(db->setPayload(QStringLiteral("pxoorganizer-11.0"), QStringLiteral("orvana"),
                             {{QStringLiteral("DisplayName"), QStringLiteral("Organizer")},
                              {QStringLiteral("Path"), QStringLiteral("/o")}}),
              PCD_OK);
    ASSERT_EQ(db->setPayload(QStringLiteral("pxoeditor-11.0"), QStringLiteral("orvana"), {}),
              PCD_OK);
    ASSERT_EQ(db->setPayload(QStringLiteral("other-1.0"), QStringLiteral("else"), {}), PCD_OK);
    db.reset();

    const auto &l = library();
    CAPSSession caps = nullptr;
    ASSERT_EQ(l.capsOpenSession(nullptr, &caps), PCD_OK);
    auto names = [&](auto call) {
        return CapsLibrary::collect(call, &status);
    };
    EXPECT_EQ(names([&](PCDEnumCallback cb, void *c) { return l.capsGetPayloads(caps, cb, c); }),
              QStringList({QStringLiteral("other-1.0"), QStringLiteral("pxoeditor-11.0"),
                           QStringLiteral("pxoorganizer-11.0")}));
    EXPECT_EQ(names([&](PCDEnumCallback cb, void *c) {
                  return l.capsGetCollectionPayloads(caps, "Orvana", cb, c);
              }),
              QStringList({QStringLiteral("pxoeditor-11.0"), QStringLiteral("pxoorganizer-11.0")}));
    EXPECT_TRUE(names([&](PCDEnumCallback cb, void *c) {
                    return l.capsGetCollectionPayloads(caps, "none", cb, c);
                }).isEmpty());
    EXPECT_EQ(status, PCD_E_NOT_FOUND);
    EXPECT_EQ(names([&](PCDEnumCallback cb, void *c) {
                  return l.capsGetPayloadDataKeys(caps, "pxoorganizer-11.0", cb, c);
              }),
              QStringList({QStringLiteral("DisplayName"), QStringLiteral("Path")}));
    // A payload without data is known (empty list), an unknown one is not found.
    EXPECT_TRUE(names([&](PCDEnumCallback cb, void *c) {
                    return l.capsGetPayloadDataKeys(caps, "pxoeditor-11.0", cb, c);
                }).isEmpty());
    EXPECT_EQ(status, PCD_OK);
    names([&](PCDEnumCallback cb, void *c) { return l.capsGetPayloadDataKeys(caps, "x", cb, c); });
    EXPECT_EQ(status, PCD_E_NOT_FOUND);
    EXPECT_EQ(CapsLibrary::fetch(
                  [&](char *b, int32_t *s) {
                      return l.capsGetPayloadData(caps, "pxoorganizer-11.0", "displayname", b, s);
                  },
                  &status),
              QStringLiteral("Organizer"));
    int64_t time = 0;
    EXPECT_EQ(l.capsGetLastModTime(caps, &time), PCD_OK);
    EXPECT_GT(time, 0);
    EXPECT_EQ(l.capsCloseSession(caps), PCD_OK);
}
