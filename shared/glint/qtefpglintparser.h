#pragma once

#include <QGenericArgument>
#include <QList>
#include <QMap>
#include <QStack>
#include <QString>
#include <QXmlDefaultHandler>

// Reads an invoke document of the movie (a call of a host function) with a SAX reader:
//
//   <invoke name="f" returntype="javascript"><arguments>
//     <number>42</number><string><![CDATA[a<b]]></string><true/>
//   </arguments></invoke>
//
// gives the function name and up to nine arguments, typed "int", "qreal", "QString" or "bool"
// after their tags, ready for QMetaObject::invokeMethod. Value tags are collected wherever they
// appear; unknown tags are skipped. A parser serves one document: the arguments point into its
// own storage, so it is neither copied nor moved.
class QtEFPGlintParser : public QXmlDefaultHandler
{
public:
    static constexpr int kMaxArguments = 9;

    QtEFPGlintParser();
    QtEFPGlintParser(const QtEFPGlintParser &) = delete;
    QtEFPGlintParser &operator=(const QtEFPGlintParser &) = delete;

    // Runs a SAX reader over the document's bytes with this parser as content handler. Returns
    // whether the reader got to the end; on malformed XML, what was collected until the error
    // stays available.
    bool parse(const QByteArray &document);

    bool startDocument() override;
    bool startElement(const QString &namespaceURI, const QString &localName, const QString &qName,
                      const QXmlAttributes &atts) override;
    bool characters(const QString &ch) override;
    bool endElement(const QString &namespaceURI, const QString &localName,
                    const QString &qName) override;

    QString functionName() const { return m_functionName; }
    const QList<QGenericArgument> &arguments() const { return m_arguments; }
    bool ok() const { return m_ok; }

private:
    enum Token {
        None = 0,
        Invoke = 1,
        Arguments = 2,
        Number = 3,
        String = 4,
        False = 5,
        True = 12
    };

    struct ArgumentStorage
    {
        QString stringValue;
        bool boolValue = false;
        int intValue = 0;
        double doubleValue = 0.0;
    };

    void storeValue(int token);

    QMap<QString, int> m_elements;
    QStack<int> m_tokens;
    QString m_currentText;
    QList<QGenericArgument> m_arguments;
    bool m_ok = true;
    ArgumentStorage m_storage[10];
    int m_argumentCount = 0;
    QString m_functionName;
    // Whether the next character data continues the text reported last (no element boundary
    // in between).
    bool m_textContinues = false;
};
