#pragma once

#include <QString>

// The product's own settings locations and the two values every start-up needs.
namespace ProductSettings {

// "Software\\Tessaly\\Orvana Organizer\\11.0\\Organizer" (the version of this build), below
// HKEY_CURRENT_USER for the user's values and below HKEY_LOCAL_MACHINE for the machine's.
QString productKeyPath();
// The "Orvana.ini" shared with the Organizer, in the common application-data folder (the
// per-user one when the common one cannot be used).
QString orvanaIniPath();
// "PXO8UniqueID" of the user's product key, a braced UUID made and stored on first use.
QString uniqueId();
// "Locale" of the machine's product key; "en_us" (written back) when empty.
QString localeValue();

} // namespace ProductSettings
