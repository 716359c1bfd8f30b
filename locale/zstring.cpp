#include "locale/zstring.h"

namespace Locale {

// Provisional: default texts only, until the dictionary reader lands.
QString zstring(const std::string &zstr)
{
    const auto eq = zstr.find('=');
    if (eq == std::string::npos)
        return QString::fromStdString(zstr);
    if (!zstr.empty() && zstr[0] == '$' && zstr.compare(0, 3, "$$$") != 0)
        return {};
    return QString::fromStdString(zstr.substr(eq + 1));
}

} // namespace Locale
