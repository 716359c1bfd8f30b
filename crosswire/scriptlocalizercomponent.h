#pragma once

#include "components/scriptruntime/kernova/livecomponent.h"

namespace KnObjects {

class ZStringLocalizer;

// What the global script function localize(text, ...) calls: translates a ZString of the
// calling script through the runtime's localizers (Kernova::Localizer::translate), the newest
// pushed first. The process's own ZStringLocalizer is pushed the first time a translation is
// asked for, in the launcher's locale, with the default path template.
//
// Scripts write localize("$$$/Tools/Count=%1 pictures", n): the placeholders %1, %2, ... are
// filled with the further arguments after the lookup.
class ScriptLocalizerComponent : public Kernova::LiveComponent
{
public:
    enum Id { kTranslate = 1 };
    static constexpr const char *kName = "__zstrings__";

    ScriptLocalizerComponent();

    int initialize() override;
    int call(int id, const Kernova::Array &arguments, Kernova::Variant &result) override;

    // The localizer pushed for the process (made and pushed on first use).
    static ZStringLocalizer &processLocalizer();
    // The script text that defines localize() over the component installed as kName.
    static const char *globalFunctionScript();
};

} // namespace KnObjects
