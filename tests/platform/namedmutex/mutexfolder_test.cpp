#include "platform/namedmutex/mutexfolder.h"
#include "platform/namedmutex/namedmutex.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

} // namespace

// Distinct names must never share a lock file, or unrelated programs would lock each other out.
TEST(MutexFolder, DistinctNamesGiveDistinctPortableFileNames)
{
    const QString longA = QString(300, QLatin1Char('a'));
    const QStringList names = {
        QStringLiteral("pxolauncher11.0"),
        QStringLiteral("Welcome - Pixtrel Orvana 11.0_Closing"),
        QStringLiteral("welcome - pixtrel orvana 11.0_closing"), // case matters
        QStringLiteral("a/b"),
        QStringLiteral("a%2fb"),
        QStringLiteral("a%2Fb"),
        QStringLiteral("."),
        QStringLiteral(".."),
        QStringLiteral("%2e"),
        QStringLiteral("Local\\name"),
        QStringLiteral("Willkommen – Übersicht 11.0"),
        QStringLiteral("a~b"),
        longA,
        longA + QLatin1Char('b'),
        longA.left(299) + QLatin1Char('b'),
    };
    QSet<QByteArray> seen;
    for (const QString &name : names) {
        const QByteArray file = MutexFolder::fileNameFor(name);
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(seen.contains(file)) << file.constData();
        seen.insert(file);
        EXPECT_LE(file.size(), 255);
        EXPECT_FALSE(file.startsWith('.'));
        for (const char c : file) {
            const bool portable = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                  (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-' ||
                                  c == '%' || c == '~';
            EXPECT_TRUE(portable) << "byte " << int(c);
        }
    }
}

TEST(MutexFolder, LivesInTheRuntimeFolderWithOwnerOnlyAccess)
{
    TestEnvironment env;
    const MutexFolder::Opened folder = MutexFolder::open();
    ASSERT_TRUE(folder.ok()) << folder.message.toStdString();
    ::close(folder.fd);
    EXPECT_EQ(folder.path, env.runtimeDir() + QStringLiteral("/tessaly"));
    EXPECT_EQ(modeOf(folder.path), 0700u);
}

TEST(MutexFolder, WithoutRuntimeFolderUsesAPerUserFolderInTheTemporaryFolder)
{
    TestEnvironment env;
    env.unset("XDG_RUNTIME_DIR");
    env.set("TMPDIR", env.root());
    const auto created = NamedMutex::create(QStringLiteral("fallback"));
    ASSERT_TRUE(created.ok()) << created.message.toStdString();
    const QString folder = env.root() + QStringLiteral("/tessaly-") + QString::number(::getuid());
    EXPECT_EQ(MutexFolder::path(), folder);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/fallback.mutex")));
}

TEST(MutexFolder, RelativeRuntimeFolderIsIgnored)
{
    TestEnvironment env;
    env.set("XDG_RUNTIME_DIR", QStringLiteral("relative/run"));
    env.set("TMPDIR", env.root());
    EXPECT_EQ(MutexFolder::path(),
              env.root() + QStringLiteral("/tessaly-") + QString::number(::getuid()));
}

// Regression: a mutex folder that someone else controls must fail the create, not be used.
class MutexFolderRefused : public ::testing::TestWithParam<const char *>
{
};

TEST_P(MutexFolderRefused, FolderSomeoneElseControls)
{
    TestEnvironment env;
    env.unset("XDG_RUNTIME_DIR");
    env.set("TMPDIR", env.root());
    const QString folder = MutexFolder::path();
    const QByteArray encoded = QFile::encodeName(folder);
    const std::string kind = GetParam();
    if (kind == "world-writable") {
        ASSERT_EQ(::mkdir(encoded.constData(), 0700), 0);
        ASSERT_EQ(::chmod(encoded.constData(), 0777), 0);
    } else if (kind == "group-writable") {
        ASSERT_EQ(::mkdir(encoded.constData(), 0700), 0);
        ASSERT_EQ(::chmod(encoded.constData(), 0770), 0);
    } else if (kind == "symlink") {
        const QString target = env.root() + QStringLiteral("/elsewhere");
        ASSERT_TRUE(QDir().mkpath(target));
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), encoded.constData()), 0);
    } else if (kind == "file") {
        QFile file(folder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    } else if (kind == "other-user") {
        if (::geteuid() != 0)
            GTEST_SKIP() << "only root can give a folder to another user";
        ASSERT_EQ(::mkdir(encoded.constData(), 0700), 0);
        ASSERT_EQ(::chown(encoded.constData(), 65534, 65534), 0);
    }
    const auto created = NamedMutex::create(QStringLiteral("guarded"));
    EXPECT_FALSE(created.ok());
    EXPECT_EQ(created.error, NamedMutex::Error::FolderUnsafe) << created.message.toStdString();
    EXPECT_FALSE(created.message.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, MutexFolderRefused,
                         ::testing::Values("world-writable", "group-writable", "symlink", "file",
                                           "other-user"));

TEST(MutexFolder, MissingParentIsAFailedCreate)
{
    TestEnvironment env;
    env.set("XDG_RUNTIME_DIR", env.root() + QStringLiteral("/no/such/folder"));
    const auto created = NamedMutex::create(QStringLiteral("x"));
    EXPECT_FALSE(created.ok());
    EXPECT_EQ(created.error, NamedMutex::Error::FolderUnavailable);
}
