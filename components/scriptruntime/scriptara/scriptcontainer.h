#pragma once

#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/string.h"

namespace KnScript {

class Engine;

// A script file, read once and executed on an engine.
class ScriptContainer
{
public:
    // Scripts larger than this are not compiled.
    static constexpr qint64 kMaxScriptSize = 16 * 1024 * 1024;

    // Reads the script; non-zero on success.
    int compile(const Kernova::FileSpec &file);
    // Runs it on `engine`; false on a script error (see errorMessage).
    bool execute(Engine &engine);
    Kernova::String errorMessage() const { return m_error; }
    Kernova::FileSpec file() const { return m_file; }

private:
    Kernova::FileSpec m_file;
    QString m_source;
    bool m_compiled = false;
    Kernova::String m_error;
};

} // namespace KnScript
