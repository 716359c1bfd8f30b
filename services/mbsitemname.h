#pragma once

#include <string_view>

namespace MBS {

// Item names, identifiers and file names come from the content feed and become file names in a
// content folder. A safe one is a single file-name component that cannot reach outside its
// folder or hide itself: not empty, at most maximumItemNameLength bytes, no '/' or '\\', no
// "..", no leading '.', no control character and no white space (it is also a manifest token).
constexpr std::size_t maximumItemNameLength = 200;
bool isSafeItemName(std::string_view name);

} // namespace MBS
