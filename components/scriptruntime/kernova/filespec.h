#pragma once

#include "components/scriptruntime/kernova/string.h"

namespace Kernova {

// The path of a file or folder.
class FileSpec
{
public:
    static constexpr int kFile = 0x01;
    static constexpr int kFolder = 0x10;
    static constexpr int kReadOnly = 0x100;

    FileSpec() = default;
    explicit FileSpec(const String &path);

    const String &path() const { return m_path; }
    // 0 when nothing exists at the path, else kFile or kFolder, with kReadOnly when not writable.
    int getAttributes() const;
    String fileName() const;
    FileSpec parent() const;
    FileSpec child(const String &name) const;

private:
    String m_path;
};

} // namespace Kernova
