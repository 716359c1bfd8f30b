#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Writes the invoke documents the host sends to a movie, and the value encoding of host replies:
//
//   <invoke name="f" returntype="javascript"><arguments><number>3</number></arguments></invoke>
//
// bool as <true/> or <false/>, int and double as <number> with Qt's text form of the number,
// strings and byte arrays as <string> with the text in a CDATA section; other types as nothing.
// Every document is well-formed XML whatever the texts hold.
class QtEFPGlintWriter
{
public:
    // The invoke document for a call of the movie function name with the given arguments (none
    // for null).
    static QString invokeDocument(const QString &name, const QList<QVariant> *arguments);
    static QString encodeValue(const QVariant &value);
};
