#include "components/scriptruntime/kernova/fileutils.h"

#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filefilter.h"
#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/folder.h"
#include "platform/folders/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Kernova {

int FileUtils::getSpecialDir(int kind, FileSpec &folder)
{
    QString path;
    switch (kind) {
    case kStartup:
    case kPackage:
        path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                            : QDir::currentPath();
        break;
    case kAllData:
    case kCommonData:
    case kCommonFiles:
        path = Folders::commonAppData();
        break;
    case kUserData:
        path = Folders::userAppData();
        break;
    default:
        return -1;
    }
    folder = FileSpec(String(path));
    return 0;
}

} // namespace Kernova
