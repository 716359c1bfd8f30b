#pragma once

#include "components/scriptruntime/kernova/filespec.h"

#include <functional>

namespace Kernova {

class FileFilter;

// A folder whose items can be visited, in name order.
class Folder
{
public:
    explicit Folder(const FileSpec &spec)
        : m_spec(spec)
    {
    }
    // Visits the items `filter` accepts (all with a null filter) until `visit` returns false;
    // returns the number visited. At most kMaxItems items are looked at.
    int iterate(FileFilter *filter, const std::function<bool(const FileSpec &)> &visit) const;
    static constexpr int kMaxItems = 10000;

private:
    FileSpec m_spec;
};

} // namespace Kernova
