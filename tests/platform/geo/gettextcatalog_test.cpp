#include "platform/geo/gettextcatalog.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using Geo::GettextCatalog;

namespace {

// Builds a catalog the way msgfmt lays it out: header, two descriptor tables, then the strings.
QByteArray makeCatalog(const std::vector<std::pair<QByteArray, QByteArray>> &messages,
                       bool bigEndian = false)
{
    const auto word = [bigEndian](quint32 value) {
        QByteArray bytes(4, '\0');
        if (bigEndian)
            qToBigEndian(value, bytes.data());
        else
            qToLittleEndian(value, bytes.data());
        return bytes;
    };
    const quint32 count = quint32(messages.size());
    const quint32 originals = 28;
    const quint32 translations = originals + count * 8;
    quint32 strings = translations + count * 8;
    QByteArray head = word(0x950412de) + word(0) + word(count) + word(originals) +
                      word(translations) + word(0) + word(0);
    QByteArray tableO;
    QByteArray tableT;
    QByteArray data;
    for (const auto &[original, translation] : messages) {
        tableO += word(quint32(original.size())) + word(strings + quint32(data.size()));
        data += original + '\0';
    }
    for (const auto &[original, translation] : messages) {
        tableT += word(quint32(translation.size())) + word(strings + quint32(data.size()));
        data += translation + '\0';
    }
    return head + tableO + tableT + data;
}

} // namespace

TEST(GettextCatalog, TranslatesInEitherByteOrder)
{
    for (const bool bigEndian : {false, true}) {
        GettextCatalog catalog;
        QString error;
        ASSERT_TRUE(catalog.parse(makeCatalog({{"", "Content-Type: text/plain; charset=UTF-8\n"},
                                               {"Germany", "Deutschland"},
                                               {"Austria", "\xc3\x96sterreich"}},
                                              bigEndian),
                                  &error))
            << error.toStdString();
        EXPECT_EQ(catalog.size(), 2) << "the header entry is not a message";
        EXPECT_EQ(catalog.translate("Germany"), QStringLiteral("Deutschland"));
        EXPECT_EQ(catalog.translate("Austria"), QString::fromUtf8("\xc3\x96sterreich"));
        EXPECT_TRUE(catalog.translate("France").isEmpty());
    }
}

TEST(GettextCatalog, KeepsOnlyTheSingularOfPluralMessages)
{
    GettextCatalog catalog;
    ASSERT_TRUE(catalog.parse(
        makeCatalog({{QByteArray("island\0islands", 14), QByteArray("Insel\0Inseln", 12)}})));
    EXPECT_EQ(catalog.translate("island"), QStringLiteral("Insel"));
}

// Guards against reading past the end of a damaged catalog instead of refusing it.
TEST(GettextCatalog, RefusesDamagedCatalogs)
{
    const QByteArray good = makeCatalog({{"Germany", "Deutschland"}});
    QByteArray badOffset = good;
    qToLittleEndian(quint32(0x7fffffff), badOffset.data() + 28 + 4);
    QByteArray noTerminator = good;
    noTerminator.chop(1);
    QByteArray hugeCount = good;
    qToLittleEndian(quint32(0x10000000), hugeCount.data() + 8);
    QByteArray badMagic = good;
    badMagic[0] = 'x';
    QByteArray badRevision = good;
    qToLittleEndian(quint32(2u << 16), badRevision.data() + 4);

    const std::vector<std::pair<const char *, QByteArray>> rows = {
        {"empty", QByteArray()},
        {"header cut", good.left(20)},
        {"string offset outside", badOffset},
        {"missing terminator", noTerminator},
        {"count beyond the file", hugeCount},
        {"wrong magic", badMagic},
        {"unknown major revision", badRevision},
    };
    for (const auto &[name, data] : rows) {
        GettextCatalog catalog;
        ASSERT_TRUE(catalog.parse(good));
        QString error;
        EXPECT_FALSE(catalog.parse(data, &error)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
        EXPECT_TRUE(catalog.isEmpty()) << name << ": a failed parse keeps nothing";
    }
}

TEST(GettextCatalog, ReadsTheInstalledCountryCatalog)
{
    GettextCatalog catalog;
    QString error;
    ASSERT_TRUE(
        catalog.load(QStringLiteral("/usr/share/locale/de/LC_MESSAGES/iso_3166-1.mo"), &error))
        << error.toStdString();
    EXPECT_EQ(catalog.translate("Germany"), QStringLiteral("Deutschland"));
    EXPECT_FALSE(catalog.load(QStringLiteral("/nonexistent/iso_3166-1.mo"), &error));
}
