#pragma once

#include <QByteArray>
#include <QString>

namespace basekit_private {

// One key with its text: the key as bytes (UTF-8 for non-ASCII), the text as UTF-16, expanded.
struct DictionaryEntry
{
    QByteArray key;
    QString value;

    friend bool operator==(const DictionaryEntry &, const DictionaryEntry &) = default;
};

} // namespace basekit_private
