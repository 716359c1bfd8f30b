#pragma once

#include <QString>

// The user's membership client id: a lower-case GUID without braces kept in "ClientId" of the
// current user's "Software\Tessaly\MBS", made on first use and the same ever after.
class ClientId
{
public:
    static QString get();
    // A lower-case GUID without braces ("0f8fad5b-d9cb-469f-a165-70867728950e").
    static bool isValid(const QString &text);
};
