#pragma once

#include "components/scriptruntime/kernova/string.h"

namespace Kernova {

class FileSpec;

// Translates texts of scripts; localizers are pushed on a process-wide stack and the newest one
// that knows a text answers.
class Localizer
{
public:
    virtual ~Localizer();
    // The translation of `text` for the script `script`; `text` itself when unknown.
    virtual String localize(const String &text, const FileSpec &script) = 0;

    static void push(Localizer *localizer);
    static void remove(Localizer *localizer);
    static String translate(const String &text, const FileSpec &script);
};

} // namespace Kernova
