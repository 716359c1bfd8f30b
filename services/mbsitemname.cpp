#include "services/mbsitemname.h"

namespace MBS {

bool isSafeItemName(std::string_view name)
{
    if (name.empty() || name.size() > maximumItemNameLength || name.front() == '.')
        return false;
    if (name.find("..") != std::string_view::npos)
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || c == '/' || c == '\\')
            return false;
    }
    return true;
}

} // namespace MBS
