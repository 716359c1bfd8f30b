#include "shared/glint/qtefpglintwriter.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct EncodeRow
{
    const char *name;
    QVariant value;
    QString encoded;
};

class WriterEncoding : public ::testing::TestWithParam<EncodeRow>
{
};

TEST_P(WriterEncoding, WritesTheValueTag)
{
    EXPECT_EQ(QtEFPGlintWriter::encodeValue(GetParam().value), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriterEncoding,
    ::testing::Values(
        EncodeRow{"boolTrue", QVariant(true), QStringLiteral("<true/>")},
        EncodeRow{"boolFalse", QVariant(false), QStringLiteral("<false/>")},
        EncodeRow{"int", QVariant(3), QStringLiteral("<number>3</number>")},
        EncodeRow{"negativeInt", QVariant(-42), QStringLiteral("<number>-42</number>")},
        EncodeRow{"double", QVariant(2.5), QStringLiteral("<number>2.5</number>")},
        EncodeRow{"string", QVariant(QStringLiteral("a<b")),
                  QStringLiteral("<string><![CDATA[a<b]]></string>")},
        EncodeRow{"byteArray", QVariant(QByteArray("caf\xC3\xA9")),
                  QStringLiteral("<string><![CDATA[caf\u00e9]]></string>")},
        EncodeRow{"emptyString", QVariant(QString()),
                  QStringLiteral("<string><![CDATA[]]></string>")},
        EncodeRow{"cdataMarkerInside", QVariant(QStringLiteral("x[CDATA[y")),
                  QStringLiteral("<string>x[CDATA[y</string>")},
        EncodeRow{"cdataMarkerAtStart", QVariant(QStringLiteral("[CDATA[y")),
                  QStringLiteral("<string><![CDATA[[CDATA[y]]></string>")},
        // Regression: "]]>" inside a text used to end the CDATA section early.
        EncodeRow{"sectionEndSplit", QVariant(QStringLiteral("a]]>b")),
                  QStringLiteral("<string><![CDATA[a]]]]><![CDATA[>b]]></string>")},
        // Regression: an unwrapped text with markup characters made the document malformed.
        EncodeRow{"unwrappedEscaped", QVariant(QStringLiteral("<x[CDATA[&>")),
                  QStringLiteral("<string>&lt;x[CDATA[&amp;&gt;</string>")},
        EncodeRow{"invalid", QVariant(), QString()},
        EncodeRow{"otherType", QVariant(QStringList{QStringLiteral("a")}), QString()}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST(Writer, DocumentWithoutArgumentsHasAnEmptyArgumentsElement)
{
    EXPECT_EQ(QtEFPGlintWriter::invokeDocument(QStringLiteral("SetHiddenByAlert"), nullptr),
              QStringLiteral("<invoke name=\"SetHiddenByAlert\" returntype=\"javascript\">"
                             "<arguments></arguments></invoke>"));
    const QList<QVariant> none;
    EXPECT_EQ(QtEFPGlintWriter::invokeDocument(QStringLiteral("f"), &none),
              QStringLiteral("<invoke name=\"f\" returntype=\"javascript\"><arguments></arguments>"
                             "</invoke>"));
}

TEST(Writer, ArgumentsInOrder)
{
    const QList<QVariant> args{QVariant(QStringLiteral("en_us")), QVariant(1), QVariant(false)};
    EXPECT_EQ(QtEFPGlintWriter::invokeDocument(QStringLiteral("g"), &args),
              QStringLiteral("<invoke name=\"g\" returntype=\"javascript\"><arguments>"
                             "<string><![CDATA[en_us]]></string><number>1</number><false/>"
                             "</arguments></invoke>"));
}

// Guards against documents a conforming XML reader rejects, whatever the texts hold.
TEST(Writer, DocumentsAreWellFormedAndKeepTheirTexts)
{
    const QStringList texts{QStringLiteral("]]>"), QStringLiteral("a]]>b]]>c"),
                            QStringLiteral("x[CDATA[<&>]]>"), QStringLiteral("<![CDATA[x]]>")};
    for (const QString &text : texts) {
        const QList<QVariant> args{QVariant(text)};
        QXmlStreamReader reader(QtEFPGlintWriter::invokeDocument(QStringLiteral("a\"b&c"), &args));
        QString name;
        QString read;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.isStartElement() && reader.name() == QLatin1String("invoke"))
                name = reader.attributes().value(QLatin1String("name")).toString();
            if (reader.isStartElement() && reader.name() == QLatin1String("string"))
                read = reader.readElementText();
        }
        EXPECT_FALSE(reader.hasError()) << text.toStdString() << reader.errorString().toStdString();
        EXPECT_EQ(read, text);
        EXPECT_EQ(name, QStringLiteral("a\"b&c"));
    }
}
