#include "shared/glint/qtefpglintparser.h"

#include <QXmlInputSource>
#include <QXmlSimpleReader>

QtEFPGlintParser::QtEFPGlintParser()
{
    m_elements.insert(QStringLiteral("invoke"), Invoke);
    m_elements.insert(QStringLiteral("arguments"), Arguments);
    m_elements.insert(QStringLiteral("number"), Number);
    m_elements.insert(QStringLiteral("string"), String);
    m_elements.insert(QStringLiteral("false"), False);
    m_elements.insert(QStringLiteral("true"), True);
    m_tokens.push(None);
}

bool QtEFPGlintParser::parse(const QByteArray &document)
{
    QXmlInputSource source;
    source.setData(document);
    QXmlSimpleReader reader;
    reader.setContentHandler(this);
    return reader.parse(&source, false);
}

bool QtEFPGlintParser::startDocument()
{
    m_ok = true;
    m_functionName.clear();
    m_arguments.clear();
    m_argumentCount = 0;
    return true;
}

bool QtEFPGlintParser::startElement(const QString &, const QString &, const QString &qName,
                                    const QXmlAttributes &atts)
{
    const int token = m_elements.value(qName, None);
    m_tokens.push(token);
    if (token == Invoke)
        m_functionName = atts.value(QStringLiteral("name"));
    m_textContinues = false;
    return true;
}

bool QtEFPGlintParser::characters(const QString &ch)
{
    // The reader may hand one text over in pieces (at entity references, or one piece per CDATA
    // section when a text holding "]]>" was split); the pieces belong together. Across an
    // element boundary the text is replaced, not cleared, so an empty element sees the text
    // reported before it.
    if (m_textContinues)
        m_currentText += ch;
    else
        m_currentText = ch;
    m_textContinues = true;
    return true;
}

bool QtEFPGlintParser::endElement(const QString &, const QString &, const QString &qName)
{
    m_textContinues = false;
    const auto it = m_elements.constFind(qName);
    bool matched = true;
    if (it != m_elements.cend()) {
        if (m_tokens.top() != *it) {
            m_ok = false;
            matched = false;
        } else {
            storeValue(*it);
        }
    }
    // The initial entry stays, whatever the reader reports.
    if (m_tokens.size() > 1)
        m_tokens.pop();
    return matched;
}

void QtEFPGlintParser::storeValue(int token)
{
    if (m_argumentCount >= kMaxArguments)
        return;
    ArgumentStorage &slot = m_storage[m_argumentCount];
    switch (token) {
    case Number: {
        bool isInt = false;
        const int intValue = m_currentText.toInt(&isInt, 10);
        if (isInt) {
            slot.intValue = intValue;
            m_arguments.append(QGenericArgument("int", &slot.intValue));
            break;
        }
        bool isDouble = false;
        const double doubleValue = m_currentText.toDouble(&isDouble);
        if (!isDouble)
            return;
        slot.doubleValue = doubleValue;
        m_arguments.append(QGenericArgument("qreal", &slot.doubleValue));
        break;
    }
    case String:
        slot.stringValue = m_currentText;
        m_arguments.append(QGenericArgument("QString", &slot.stringValue));
        break;
    case False:
    case True:
        slot.boolValue = token == True;
        m_arguments.append(QGenericArgument("bool", &slot.boolValue));
        break;
    default:
        return;
    }
    ++m_argumentCount;
}
