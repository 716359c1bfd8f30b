#include "components/caps/configurationxml.h"

#include "components/caps/capsdatabase.h"
#include "components/caps/tessalycaps.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QXmlStreamReader>
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

namespace {

class Reader
{
public:
    explicit Reader(const QByteArray &text)
        : m_xml(text)
    {
    }

    bool read(ConfigurationXml::Document *document, QString *error);

private:
    bool fail(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("line %1: ").arg(m_xml.lineNumber()) + message;
        return false;
    }
    // The next start element inside the current one, or false at its end (or on an error).
    bool nextChild();
    bool decoded(const QString &text, QString *out);
    bool name(const char *attribute, bool encoded, QString *out);
    bool data(CapsValues *values);

    QXmlStreamReader m_xml;
    QString m_error;
    qsizetype m_elements = 0;
};

bool Reader::nextChild()
{
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++m_elements > ConfigurationXml::maxElements)
                return fail(QStringLiteral("too many elements"));
            return true;
        case QXmlStreamReader::EndElement:
            return false;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return fail(QStringLiteral("document type declarations and entities are not allowed"));
        case QXmlStreamReader::Characters:
            if (!m_xml.isWhitespace())
                return fail(QStringLiteral("text outside a <Data> element"));
            break;
        default:
            break;
        }
    }
    return false;
}

bool Reader::decoded(const QString &text, QString *out)
{
    const auto result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result || text.size() % 4 != 0)
        return fail(QStringLiteral("invalid base64"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *out = utf8(*result);
    if (utf8.hasError())
        return fail(QStringLiteral("encoded text is not UTF-8"));
    return true;
}

bool Reader::name(const char *attribute, bool encoded, QString *out)
{
    const auto attributes = m_xml.attributes();
    if (!attributes.hasAttribute(QLatin1String(attribute)))
        return fail(QStringLiteral("<%1> needs %2=").arg(m_xml.name(), QLatin1String(attribute)));
    const QString raw = attributes.value(QLatin1String(attribute)).toString();
    if (encoded) {
        if (!decoded(raw, out))
            return false;
    } else {
        *out = raw;
    }
    if (out->isEmpty())
        return fail(QStringLiteral("an empty %1").arg(QLatin1String(attribute)));
    if (out->size() > ConfigurationXml::maxNameLength)
        return fail(QStringLiteral("a %1 longer than %2 characters")
                        .arg(QLatin1String(attribute))
                        .arg(ConfigurationXml::maxNameLength));
    return true;
}

bool encodedElement(const QXmlStreamReader &xml)
{
    return xml.attributes().value(QLatin1String("encoding")) == QLatin1String("base64");
}

// The <Data> children of the current element, up to its first other child (left current).
bool Reader::data(CapsValues *values)
{
    while (nextChild()) {
        if (m_xml.name() != QLatin1String("Data"))
            return m_xml.name() == QLatin1String("Subdomain")
                       ? true
                       : fail(QStringLiteral("unexpected <%1>").arg(m_xml.name()));
        const bool encoded = encodedElement(m_xml);
        QString key;
        if (!name("key", encoded, &key))
            return false;
        QString value = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            return fail(m_xml.errorString());
        if (encoded && !decoded(value, &value))
            return false;
        values->removeIf(
            [&](const auto &entry) { return entry.first.compare(key, Qt::CaseInsensitive) == 0; });
        values->append({key, value});
    }
    return m_error.isEmpty();
}

bool Reader::read(ConfigurationXml::Document *document, QString *error)
{
    ConfigurationXml::Document result;
    const bool ok = [&] {
        if (!nextChild())
            return fail(QStringLiteral("no <Configuration> element"));
        if (m_xml.name() != QLatin1String("Configuration"))
            return fail(
                QStringLiteral("the root element is <%1>, not <Configuration>").arg(m_xml.name()));
        while (nextChild()) {
            const bool encoded = encodedElement(m_xml);
            if (m_xml.name() == QLatin1String("Payload")) {
                ConfigurationXml::Payload payload;
                if (!name("code", encoded, &payload.code))
                    return false;
                const QString collection =
                    m_xml.attributes().value(QLatin1String("collection")).toString();
                if (encoded && !decoded(collection, &payload.collection))
                    return false;
                if (!encoded)
                    payload.collection = collection;
                if (!data(&payload.values))
                    return false;
                if (m_xml.isStartElement())
                    return fail(QStringLiteral("<Subdomain> inside <Payload>"));
                result.payloads.append(payload);
            } else if (m_xml.name() == QLatin1String("Domain")) {
                ConfigurationXml::Record own;
                if (!name("name", encoded, &own.domain))
                    return false;
                own.domain = CapsDatabase::normalizedDomain(own.domain);
                // Keys of the domain itself come before its sub-domains.
                if (!data(&own.values))
                    return false;
                if (!own.values.isEmpty())
                    result.records.append(own);
                while (m_xml.isStartElement()) {
                    if (m_xml.name() != QLatin1String("Subdomain"))
                        return fail(QStringLiteral("unexpected <%1>").arg(m_xml.name()));
                    ConfigurationXml::Record record;
                    record.domain = own.domain;
                    if (!name("name", encodedElement(m_xml), &record.subdomain))
                        return false;
                    if (!data(&record.values))
                        return false;
                    if (m_xml.isStartElement())
                        return fail(QStringLiteral("<Subdomain> inside <Subdomain>"));
                    result.records.append(record);
                    if (!nextChild())
                        break;
                }
                if (!m_error.isEmpty())
                    return false;
            } else {
                return fail(QStringLiteral("unexpected <%1>").arg(m_xml.name()));
            }
        }
        if (!m_error.isEmpty())
            return false;
        // Nothing but comments and blanks may follow the root element.
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement() || (m_xml.isCharacters() && !m_xml.isWhitespace()))
                return fail(QStringLiteral("content after </Configuration>"));
        }
        return true;
    }();
    if (ok && m_xml.hasError())
        fail(m_xml.errorString());
    if (!m_error.isEmpty()) {
        *error = m_error;
        return false;
    }
    *document = result;
    return true;
}

} // namespace

bool ConfigurationXml::read(const QByteArray &text, Document *document, QString *error)
{
    if (text.size() > maxDocumentBytes) {
        *error = QStringLiteral("the document is larger than %1 bytes").arg(maxDocumentBytes);
        return false;
    }
    Reader reader(text);
    return reader.read(document, error);
}

int32_t ConfigurationXml::apply(CapsDatabase &database, const Document &document)
{
    CapsDatabase::Transaction transaction(database);
    if (transaction.status() != PCD_OK)
        return transaction.status();
    for (const Payload &payload : document.payloads) {
        if (int32_t status = database.setPayload(payload.code, payload.collection, payload.values);
            status != PCD_OK)
            return status;
    }
    for (const Record &record : document.records) {
        int32_t status = PCD_OK;
        if (record.subdomain.isEmpty()) {
            for (const auto &[key, value] : record.values) {
                if ((status = database.setValue(record.domain, QString(), key, value)) != PCD_OK)
                    return status;
            }
        } else if ((status = database.replaceValues(record.domain, record.subdomain,
                                                    record.values)) != PCD_OK) {
            return status;
        }
    }
    return transaction.commit();
}
