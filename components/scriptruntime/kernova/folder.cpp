#include "components/scriptruntime/kernova/folder.h"

#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filefilter.h"
#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/fileutils.h"
#include "platform/folders/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Kernova {

int Folder::iterate(FileFilter *filter, const std::function<bool(const FileSpec &)> &visit) const
{
    const QDir dir(m_spec.path().toQString());
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    int visited = 0;
    int looked = 0;
    for (const QString &name : names) {
        if (++looked > kMaxItems)
            break;
        const FileSpec item = m_spec.child(String(name));
        if (filter && !filter->accept(item))
            continue;
        ++visited;
        if (!visit(item))
            break;
    }
    return visited;
}

} // namespace Kernova
