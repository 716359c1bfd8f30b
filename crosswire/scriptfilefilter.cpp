#include "crosswire/scriptfilefilter.h"

#include "components/scriptruntime/kernova/filespec.h"

namespace KnObjects {

bool ScriptFileFilter::accept(const Kernova::FileSpec &item)
{
    if (!(item.getAttributes() & Kernova::FileSpec::kFile))
        return false;
    const QString name = item.fileName().toQString();
    return name.endsWith(QLatin1String(".jsx"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".jsxbin"), Qt::CaseInsensitive);
}

} // namespace KnObjects
