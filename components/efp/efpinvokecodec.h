#pragma once

#include <QJSValue>
#include <QString>

#include <optional>

class QJSEngine;

// The player's side of the invoke documents: movie values to XML and back. Values are written
// with the tags the host reads (<true/>, <false/>, <number>, <string> with CDATA, <null/>,
// <undefined/>) and arrays and objects as <array> / <object> of <property id="..."> elements;
// every document is well-formed whatever the texts hold.
class EFPInvokeCodec
{
public:
    struct Call
    {
        QString name;
        QJSValueList arguments;
    };

    static QString encodeCall(const QString &name, const QJSValueList &arguments);
    static QString encodeValue(const QJSValue &value);
    // A reply of the host: one value tag; empty text or anything unreadable is undefined.
    static QJSValue decodeValue(QJSEngine *engine, const QString &text);
    // A call of the host; nothing when the text is not an invoke document.
    static std::optional<Call> decodeCall(QJSEngine *engine, const QString &text);
};
