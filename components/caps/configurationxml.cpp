#include "components/caps/configurationxml.h"

#include "components/caps/capsdatabase.h"
#include "components/caps/tessalycaps.h"

#include <QDateTime>
#include <QXmlStreamWriter>

namespace {

// XML 1.0 characters, without the carriage return, which a reader turns into a line feed.
bool carriesUnchanged(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0x9 || c == 0xA)
            continue;
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= text.size() || !QChar::isLowSurrogate(text.at(i + 1).unicode()))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

QString base64(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

// An element with a name attribute and optional text, encoded as a whole when either needs it.
void writeNamed(QXmlStreamWriter &xml, const QString &element, const char *attribute,
                const QString &name, const QString *text)
{
    const bool encode = !carriesUnchanged(name) || (text && !carriesUnchanged(*text));
    xml.writeStartElement(element);
    xml.writeAttribute(QLatin1String(attribute), encode ? base64(name) : name);
    if (encode)
        xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
    if (text)
        xml.writeCharacters(encode ? base64(*text) : *text);
}

void writeData(QXmlStreamWriter &xml, const CapsValues &values)
{
    for (const auto &[key, value] : values) {
        writeNamed(xml, QStringLiteral("Data"), "key", key, &value);
        xml.writeEndElement();
    }
}

} // namespace

int32_t ConfigurationXml::write(CapsDatabase &database, QByteArray *document)
{
    int64_t modified = 0;
    int32_t status = database.lastModified(QString(), &modified);
    if (status != PCD_OK)
        return status;
    QStringList payloads;
    if ((status = database.payloads(&payloads)) != PCD_OK)
        return status;
    QStringList domains;
    if ((status = database.domains(&domains)) != PCD_OK)
        return status;

    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Configuration"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeAttribute(
        QStringLiteral("modified"),
        QDateTime::fromMSecsSinceEpoch(modified, Qt::UTC).toString(Qt::ISODateWithMs));

    for (const QString &code : payloads) {
        QString collection;
        CapsValues values;
        if ((status = database.payloadCollection(code, &collection)) != PCD_OK ||
            (status = database.payloadValues(code, &values)) != PCD_OK)
            return status;
        const bool encode = !carriesUnchanged(code) || !carriesUnchanged(collection);
        xml.writeStartElement(QStringLiteral("Payload"));
        xml.writeAttribute(QStringLiteral("code"), encode ? base64(code) : code);
        xml.writeAttribute(QStringLiteral("collection"), encode ? base64(collection) : collection);
        if (encode)
            xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("base64"));
        writeData(xml, values);
        xml.writeEndElement();
    }

    for (const QString &domain : domains) {
        writeNamed(xml, QStringLiteral("Domain"), "name", domain, nullptr);
        CapsValues own;
        status = database.values(domain, QString(), &own);
        if (status != PCD_OK && status != PCD_E_NOT_FOUND)
            return status;
        writeData(xml, own);
        QStringList subdomains;
        if ((status = database.subdomains(domain, &subdomains)) != PCD_OK)
            return status;
        for (const QString &subdomain : subdomains) {
            CapsValues values;
            if ((status = database.values(domain, subdomain, &values)) != PCD_OK)
                return status;
            writeNamed(xml, QStringLiteral("Subdomain"), "name", subdomain, nullptr);
            writeData(xml, values);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    *document = out;
    return PCD_OK;
}
