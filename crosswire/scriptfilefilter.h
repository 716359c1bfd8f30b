#pragma once

#include "components/scriptruntime/kernova/filefilter.h"

namespace KnObjects {

// Accepts the script files of a start-up scripts folder: files (not folders) ending in ".jsx"
// or ".jsxbin", in any letter case.
class ScriptFileFilter : public Kernova::FileFilter
{
public:
    bool accept(const Kernova::FileSpec &item) override;
};

} // namespace KnObjects
