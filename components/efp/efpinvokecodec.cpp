#include "components/efp/efpinvokecodec.h"

#include <QJSEngine>
#include <QJSValueIterator>
#include <QXmlStreamReader>

namespace {

// Deeper structures are cut off: a movie value that refers to itself must not recurse forever.
constexpr int kMaxDepth = 32;

QString escaped(QString text)
{
    text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    text.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return text;
}

void appendValue(QString &out, const QJSValue &value, int depth)
{
    if (value.isBool()) {
        out += value.toBool() ? QLatin1String("<true/>") : QLatin1String("<false/>");
    } else if (value.isNumber()) {
        out += QLatin1String("<number>") + value.toString() + QLatin1String("</number>");
    } else if (value.isString() || value.isDate() || value.isRegExp()) {
        QString text = value.toString();
        text.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
        out += QLatin1String("<string><![CDATA[") + text + QLatin1String("]]></string>");
    } else if (value.isNull()) {
        out += QLatin1String("<null/>");
    } else if (value.isUndefined() || value.isCallable() || depth >= kMaxDepth) {
        out += QLatin1String("<undefined/>");
    } else if (value.isArray()) {
        out += QLatin1String("<array>");
        const int length = value.property(QStringLiteral("length")).toInt();
        for (int i = 0; i < length; ++i) {
            out += QLatin1String("<property id=\"") + QString::number(i) + QLatin1String("\">");
            appendValue(out, value.property(quint32(i)), depth + 1);
            out += QLatin1String("</property>");
        }
        out += QLatin1String("</array>");
    } else if (value.isObject() || value.isQObject() || value.isVariant()) {
        out += QLatin1String("<object>");
        QJSValueIterator it(value);
        while (it.hasNext()) {
            it.next();
            out += QLatin1String("<property id=\"") + escaped(it.name()) + QLatin1String("\">");
            appendValue(out, it.value(), depth + 1);
            out += QLatin1String("</property>");
        }
        out += QLatin1String("</object>");
    } else {
        out += QLatin1String("<undefined/>");
    }
}

// Reads the value whose start tag the reader is on, leaving it on the value's end tag.
QJSValue readValue(QJSEngine *engine, QXmlStreamReader &reader, int depth)
{
    const auto tag = reader.name();
    if (tag == QLatin1String("true") || tag == QLatin1String("false")) {
        const bool value = tag == QLatin1String("true");
        reader.skipCurrentElement();
        return QJSValue(value);
    }
    if (tag == QLatin1String("number"))
        return QJSValue(reader.readElementText().trimmed().toDouble());
    if (tag == QLatin1String("string"))
        return QJSValue(reader.readElementText());
    if (tag == QLatin1String("null")) {
        reader.skipCurrentElement();
        return QJSValue(QJSValue::NullValue);
    }
    const bool isArray = tag == QLatin1String("array");
    if ((isArray || tag == QLatin1String("object")) && depth < kMaxDepth) {
        QJSValue container = isArray ? engine->newArray() : engine->newObject();
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("property")) {
                reader.skipCurrentElement();
                continue;
            }
            const QString id = reader.attributes().value(QLatin1String("id")).toString();
            QJSValue item;
            if (reader.readNextStartElement()) {
                item = readValue(engine, reader, depth + 1);
                // Anything after the first value of a property is ignored.
                while (reader.readNextStartElement())
                    reader.skipCurrentElement();
            }
            container.setProperty(id, item);
        }
        return container;
    }
    reader.skipCurrentElement();
    return QJSValue();
}

} // namespace

QString EFPInvokeCodec::encodeCall(const QString &name, const QJSValueList &arguments)
{
    QString out = QLatin1String("<invoke name=\"") + escaped(name) +
                  QLatin1String("\" returntype=\"javascript\"><arguments>");
    for (const QJSValue &value : arguments)
        appendValue(out, value, 0);
    out += QLatin1String("</arguments></invoke>");
    return out;
}

QString EFPInvokeCodec::encodeValue(const QJSValue &value)
{
    QString out;
    appendValue(out, value, 0);
    return out;
}

QJSValue EFPInvokeCodec::decodeValue(QJSEngine *engine, const QString &text)
{
    if (text.isEmpty())
        return QJSValue();
    QXmlStreamReader reader(text);
    if (!reader.readNextStartElement())
        return QJSValue();
    const QJSValue value = readValue(engine, reader, 0);
    return reader.hasError() ? QJSValue() : value;
}

std::optional<EFPInvokeCodec::Call> EFPInvokeCodec::decodeCall(QJSEngine *engine,
                                                               const QString &text)
{
    QXmlStreamReader reader(text);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("invoke"))
        return std::nullopt;
    Call call;
    call.name = reader.attributes().value(QLatin1String("name")).toString();
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("arguments")) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement())
            call.arguments.append(readValue(engine, reader, 0));
    }
    if (reader.hasError() || call.name.isEmpty())
        return std::nullopt;
    return call;
}
