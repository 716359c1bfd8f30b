#include "shared/glint/qtefpglintwriter.h"

namespace {

QString escapedText(QString text, bool attribute)
{
    text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    if (attribute)
        text.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return text;
}

QString encodeString(const QString &text)
{
    // A text that holds "[CDATA[" past its start is written without the wrapping, as movies
    // expect; escaping only touches characters that would break the document, so ordinary
    // texts come out exactly as they are.
    if (text.indexOf(QLatin1String("[CDATA[")) >= 1)
        return QLatin1String("<string>") + escapedText(text, false) + QLatin1String("</string>");
    QString wrapped = text;
    // "]]>" would end the section early: end it after "]]" and open a new one for ">".
    wrapped.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
    return QLatin1String("<string><![CDATA[") + wrapped + QLatin1String("]]></string>");
}

} // namespace

QString QtEFPGlintWriter::invokeDocument(const QString &name, const QList<QVariant> *arguments)
{
    QString document = QLatin1String("<invoke name=\"") + escapedText(name, true) +
                       QLatin1String("\" returntype=\"javascript\"><arguments>");
    if (arguments) {
        for (const QVariant &value : *arguments)
            document += encodeValue(value);
    }
    document += QLatin1String("</arguments></invoke>");
    return document;
}

QString QtEFPGlintWriter::encodeValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("<true/>") : QStringLiteral("<false/>");
    case QMetaType::Int:
    case QMetaType::Double:
        return QLatin1String("<number>") + value.toString() + QLatin1String("</number>");
    case QMetaType::QString:
        return encodeString(value.toString());
    case QMetaType::QByteArray:
        return encodeString(QString::fromUtf8(value.toByteArray()));
    default:
        return QString();
    }
}
