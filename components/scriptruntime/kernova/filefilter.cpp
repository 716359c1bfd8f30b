#include "components/scriptruntime/kernova/filefilter.h"

#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/fileutils.h"
#include "components/scriptruntime/kernova/folder.h"
#include "platform/folders/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Kernova {

FileFilter::~FileFilter() = default;

} // namespace Kernova
