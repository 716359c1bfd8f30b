#pragma once

namespace Kernova {

class FileSpec;

// Decides which items a folder iteration visits.
class FileFilter
{
public:
    virtual ~FileFilter();
    virtual bool accept(const FileSpec &item) = 0;
};

} // namespace Kernova
