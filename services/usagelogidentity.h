#pragma once

#include <QString>

// What the usage-logging library is told about the product at initialisation, in the order it
// is handed over.
struct UsageLogIdentity
{
    QString product;
    QString productCode;
    QString majorVersion;
    QString fullVersion;
    QString locale;
    // 1: initialise only when the user has opted in, else keep the identity for later;
    // 2: initialise at once and let the library honour the choice.
    int startMode = 2;
    int reserved = 0;
    // Where to look for the library first; empty means the executable's folder.
    QString libraryFolder;
    QString productLineId;
};
