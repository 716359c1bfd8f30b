#include "shared/glint/qtefpglintparser.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// "type:value" per argument, so rows compare the whole list at once.
QStringList describe(const QtEFPGlintParser &parser)
{
    QStringList out;
    for (const QGenericArgument &arg : parser.arguments()) {
        const QString type = QString::fromLatin1(arg.name());
        QString value;
        if (type == QLatin1String("int"))
            value = QString::number(*static_cast<const int *>(arg.data()));
        else if (type == QLatin1String("qreal"))
            value = QString::number(*static_cast<const double *>(arg.data()));
        else if (type == QLatin1String("QString"))
            value = *static_cast<const QString *>(arg.data());
        else if (type == QLatin1String("bool"))
            value = *static_cast<const bool *>(arg.data()) ? QStringLiteral("true")
                                                           : QStringLiteral("false");
        out << type + QLatin1Char(':') + value;
    }
    return out;
}

QString values(int count)
{
    QString out;
    for (int i = 0; i < count; ++i)
        out += QStringLiteral("<number>%1</number>").arg(i);
    return out;
}

QStringList ints(int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QStringLiteral("int:%1").arg(i);
    return out;
}

struct ParseRow
{
    const char *name;
    QString document;
    QString function;
    QStringList arguments;
    bool ok = true;
};

class ParserRows : public ::testing::TestWithParam<ParseRow>
{
};

TEST_P(ParserRows, YieldsNameAndTypedArguments)
{
    const ParseRow &row = GetParam();
    QtEFPGlintParser parser;
    parser.parse(row.document.toUtf8());
    EXPECT_EQ(parser.functionName(), row.function);
    EXPECT_EQ(describe(parser), row.arguments);
    EXPECT_EQ(parser.ok(), row.ok);
}

const QString kSpecimen = QStringLiteral(
    "<invoke name=\"f\" returntype=\"javascript\"><arguments><number>42</number>"
    "<number>2.5</number><string><![CDATA[a<b]]></string><true/></arguments></invoke>");

INSTANTIATE_TEST_SUITE_P(
    Rows, ParserRows,
    ::testing::Values(
        ParseRow{"specimen",
                 kSpecimen,
                 QStringLiteral("f"),
                 {QStringLiteral("int:42"), QStringLiteral("qreal:2.5"),
                  QStringLiteral("QString:a<b"), QStringLiteral("bool:true")}},
        ParseRow{"noArguments",
                 QStringLiteral("<invoke name=\"g\"><arguments></arguments></invoke>"),
                 QStringLiteral("g"),
                 {}},
        ParseRow{"falseAndNegative",
                 QStringLiteral("<invoke name=\"h\"><arguments><false/><number>-7</number>"
                                "</arguments></invoke>"),
                 QStringLiteral("h"),
                 {QStringLiteral("bool:false"), QStringLiteral("int:-7")}},
        ParseRow{"intOverflowBecomesReal",
                 QStringLiteral("<invoke name=\"n\"><arguments><number>2147483648</number>"
                                "<number>1e3</number></arguments></invoke>"),
                 QStringLiteral("n"),
                 {QStringLiteral("qreal:2.14748e+09"), QStringLiteral("qreal:1000")}},
        ParseRow{"emptyNumberReusesEarlierText",
                 QStringLiteral("<invoke name=\"e\"><arguments><string>7</string><number></number>"
                                "</arguments></invoke>"),
                 QStringLiteral("e"),
                 {QStringLiteral("QString:7"), QStringLiteral("int:7")}},
        ParseRow{"notANumberIsDropped",
                 QStringLiteral("<invoke name=\"d\"><arguments><number>abc</number><true/>"
                                "</arguments></invoke>"),
                 QStringLiteral("d"),
                 {QStringLiteral("bool:true")}},
        ParseRow{"eightValues",
                 QStringLiteral("<invoke name=\"l\"><arguments>") + values(8) +
                     QStringLiteral("</arguments></invoke>"),
                 QStringLiteral("l"), ints(8)},
        ParseRow{"nineValues",
                 QStringLiteral("<invoke name=\"l\"><arguments>") + values(9) +
                     QStringLiteral("</arguments></invoke>"),
                 QStringLiteral("l"), ints(9)},
        ParseRow{"tenValues",
                 QStringLiteral("<invoke name=\"l\"><arguments>") + values(10) +
                     QStringLiteral("</arguments></invoke>"),
                 QStringLiteral("l"), ints(9)},
        ParseRow{"elevenValues",
                 QStringLiteral("<invoke name=\"l\"><arguments>") + values(11) +
                     QStringLiteral("</arguments></invoke>"),
                 QStringLiteral("l"), ints(9)},
        ParseRow{"unknownTagsSkippedNestedValuesKept",
                 QStringLiteral("<invoke name=\"o\"><arguments><null/><undefined/><array>"
                                "<property id=\"0\"><number>1</number></property></array>"
                                "<object><property id=\"k\"><string>v</string></property></object>"
                                "</arguments></invoke>"),
                 QStringLiteral("o"),
                 {QStringLiteral("int:1"), QStringLiteral("QString:v")}},
        ParseRow{"valuesOutsideArguments",
                 QStringLiteral("<invoke name=\"x\"><true/><arguments></arguments>"
                                "<number>4</number></invoke>"),
                 QStringLiteral("x"),
                 {QStringLiteral("bool:true"), QStringLiteral("int:4")}},
        ParseRow{"malformedKeepsWhatCameBefore",
                 QStringLiteral("<invoke name=\"m\"><arguments><number>1</number><string>a"
                                "</number>"),
                 QStringLiteral("m"),
                 {QStringLiteral("int:1")}},
        ParseRow{"truncated",
                 QStringLiteral("<invoke name=\"t\"><arguments><true/><number>5"),
                 QStringLiteral("t"),
                 {QStringLiteral("bool:true")}},
        ParseRow{"entities",
                 QStringLiteral("<invoke name=\"s\"><arguments><string>a &amp; b &lt;c&gt;"
                                "</string></arguments></invoke>"),
                 QStringLiteral("s"),
                 {QStringLiteral("QString:a & b <c>")}},
        // Regression: a text in several CDATA sections (how "]]>" is written) lost all but the
        // last piece.
        ParseRow{"splitCdata",
                 QStringLiteral("<invoke name=\"c\"><arguments><string><![CDATA[a]]]]>"
                                "<![CDATA[>b]]></string></arguments></invoke>"),
                 QStringLiteral("c"),
                 {QStringLiteral("QString:a]]>b")}},
        ParseRow{"emptyString",
                 QStringLiteral("<invoke name=\"c\"><arguments><string></string>"
                                "</arguments></invoke>"),
                 QStringLiteral("c"),
                 {QStringLiteral("QString:")}},
        ParseRow{"noNameAttribute",
                 QStringLiteral("<invoke><arguments><true/></arguments></invoke>"),
                 QString(),
                 {QStringLiteral("bool:true")}},
        ParseRow{"notXml", QStringLiteral("hello"), QString(), {}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST(Parser, ANewDocumentStartsAfresh)
{
    QtEFPGlintParser parser;
    parser.parse(kSpecimen.toUtf8());
    parser.parse(QByteArrayLiteral("<invoke name=\"b\"><arguments><false/></arguments></invoke>"));
    EXPECT_EQ(parser.functionName(), QStringLiteral("b"));
    EXPECT_EQ(describe(parser), QStringList{QStringLiteral("bool:false")});
}

TEST(Parser, ReportsWhetherTheReaderReachedTheEnd)
{
    QtEFPGlintParser good;
    EXPECT_TRUE(good.parse(kSpecimen.toUtf8()));
    QtEFPGlintParser bad;
    EXPECT_FALSE(bad.parse(QByteArrayLiteral("<invoke name=\"b\"><arguments>")));
    EXPECT_TRUE(bad.ok());
}

TEST(Parser, AMismatchedEndTagClearsOkAndStopsTheReader)
{
    QtEFPGlintParser parser;
    parser.startDocument();
    QXmlAttributes none;
    parser.startElement(QString(), QString(), QStringLiteral("arguments"), none);
    EXPECT_FALSE(parser.endElement(QString(), QString(), QStringLiteral("string")));
    EXPECT_FALSE(parser.ok());
    // An unknown end tag only pops.
    EXPECT_TRUE(parser.endElement(QString(), QString(), QStringLiteral("array")));
}
