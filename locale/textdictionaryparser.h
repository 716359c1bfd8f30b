#pragma once

#include "locale/dictionaryentry.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace basekit_private {

// Reads the lines of a text dictionary. Each line holds an item, the text between its first
// double quote and the next one not preceded by a backslash (to the end of the line when the
// closing quote is missing, the whole line when there is none): a ZString whose key and
// expanded text make one entry. Empty lines are skipped; an item that is not a ZString makes
// the file invalid and is skipped.
class TextDictionaryParser
{
public:
    struct Result
    {
        std::vector<DictionaryEntry> entries; // in file order, repeated keys included
        bool valid = true;
        int invalidLines = 0;
    };

    static Result parse(QByteArrayView data, const QByteArray &ansiCharset);
};

} // namespace basekit_private
