#pragma once

#include <QStringView>

#include <optional>
#include <string_view>

namespace basekit_private {

// A ZString split by the key convention: "$$$/Group/Key=Default text" has the key "/Group/Key"
// and the default text "Default text". A string starting with "$" must start with "$$$"; one
// that does not start with "$" needs an "=" and its key starts at its first character.
template<typename View>
struct ZStringParts
{
    View key;
    View defaultText;
};

std::optional<ZStringParts<std::string_view>> splitZString(std::string_view zstring);
std::optional<ZStringParts<QStringView>> splitZString(QStringView zstring);

} // namespace basekit_private
