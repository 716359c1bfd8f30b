#pragma once

#include <QString>

#include <string>

namespace Locale {

// Looks a ZString ("$$$/Group/Key=Default text") up in the process-wide dictionary and returns
// the dictionary's text, or the default text after "=" when the key is absent. A string
// without "=" is not a ZString and comes back unchanged. Placeholders ("%1", "%2") are left for
// the caller's QString::arg. Safe to call from any thread.
QString zstring(const std::string &zstr);

} // namespace Locale
