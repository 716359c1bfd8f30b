#include "locale/zstring.h"

#include "locale/zstringdictionary.h"

namespace Locale {

QString zstring(const std::string &zstr)
{
    return basekit_private::ZStringDictionary::instance().translate(zstr);
}

} // namespace Locale
