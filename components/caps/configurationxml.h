#pragma once

#include <QByteArray>

#include <cstdint>

class CapsDatabase;

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
class ConfigurationXml
{
public:
    // Reads the database in one transaction when it is a snapshot. Returns a PCD_* code.
    static int32_t write(CapsDatabase &database, QByteArray *document);
};
