#pragma once

#include "components/caps/capsdatabase.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// The configuration export: one XML document with everything the database holds.
//
//   <Configuration version="1" modified="2026-12-08T06:00:00.000Z">
//     <Payload code="pxoorganizer-11.0" collection="pxoorganizer">
//       <Data key="DisplayName">Orvana Organizer</Data>
//     </Payload>
//     <Domain name="/tessaly/crosswire/">
//       <Subdomain name="pxoorganizer-11.0">
//         <Data key="Group">pxoorganizer</Data>
//       </Subdomain>
//     </Domain>
//   </Configuration>
//
// Keys of a domain itself are <Data> elements directly inside its <Domain>. A name or value that
// XML cannot carry unchanged (control characters, a carriage return) is written in base64, and
// its element carries encoding="base64" (both its name attribute and its text are encoded).
//
// read() takes the same document back (an installer's configuration to import): it is strict,
// since the text comes from outside: no DTD, only the elements above, no empty names, valid
// base64 and UTF-8 where encoded, and limits on size and count.
class ConfigurationXml
{
public:
    struct Payload
    {
        QString code;
        QString collection;
        CapsValues values;
    };
    // One sub-domain's keys, or the domain's own keys when subdomain is empty.
    struct Record
    {
        QString domain;
        QString subdomain;
        CapsValues values;
    };
    struct Document
    {
        QList<Payload> payloads;
        QList<Record> records;
    };

    static constexpr qsizetype maxDocumentBytes = 16 * 1024 * 1024;
    static constexpr qsizetype maxElements = 200000;
    static constexpr qsizetype maxNameLength = 1024;

    // Reads the database in one transaction when it is a snapshot. Returns a PCD_* code.
    static int32_t write(CapsDatabase &database, QByteArray *document);

    // Parses a document; on failure returns false and says why (with the line).
    static bool read(const QByteArray &text, Document *document, QString *error);

    // Stores what a document holds in one transaction: its payloads and sub-domains replace
    // those of the same name, the rest of the database stays. Returns a PCD_* code.
    static int32_t apply(CapsDatabase &database, const Document &document);
};
