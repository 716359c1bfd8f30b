#include "components/scriptruntime/kernova/filespec.h"

#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filefilter.h"
#include "components/scriptruntime/kernova/fileutils.h"
#include "components/scriptruntime/kernova/folder.h"
#include "platform/folders/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Kernova {

FileSpec::FileSpec(const String &path)
    : m_path(QDir::cleanPath(path.toQString()))
{
}

int FileSpec::getAttributes() const
{
    const QFileInfo info(m_path.toQString());
    if (m_path.isEmpty() || !info.exists())
        return 0;
    int attributes = info.isDir() ? kFolder : kFile;
    if (!info.isWritable())
        attributes |= kReadOnly;
    return attributes;
}

String FileSpec::fileName() const
{
    return String(QFileInfo(m_path.toQString()).fileName());
}

FileSpec FileSpec::parent() const
{
    return FileSpec(String(QFileInfo(m_path.toQString()).path()));
}

FileSpec FileSpec::child(const String &name) const
{
    return FileSpec(String(m_path.toQString() + QLatin1Char('/') + name.toQString()));
}

} // namespace Kernova
