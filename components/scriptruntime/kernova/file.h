#pragma once

#include "components/scriptruntime/kernova/filespec.h"

#include <QFile>

namespace Kernova {

// A text file read line by line (UTF-8) or written.
class File
{
public:
    enum class Mode { Read, Write, Append };
    // Lines longer than this are cut into several.
    static constexpr qint64 kMaxLine = 1024 * 1024;

    explicit File(const FileSpec &spec);
    bool open(Mode mode = Mode::Read);
    // The next line without its line break; false at the end.
    bool readln(String &line);
    bool eof() const;
    bool write(const String &text);
    void close();

private:
    QFile m_file;
};

} // namespace Kernova
