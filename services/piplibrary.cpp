#include "services/piplibrary.h"

#include "services/usagelogcategory.h"

#include <QFile>

#include <climits>

#include <unistd.h>

PipLibrary::~PipLibrary()
{
    unload();
}

QString PipLibrary::executableFolder()
{
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0)
        return QString();
    QString path = QFile::decodeName(QByteArray(buffer, length));
    // Cut after the last separator, then drop the trailing separators as for any folder.
    path.truncate(path.lastIndexOf(QLatin1Char('/')) + 1);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString PipLibrary::libraryPath(const QString &folder)
{
    QString path = folder;
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path + QStringLiteral("/libTessalyPIP.so");
}

bool PipLibrary::tryLoad(const QString &folder)
{
    m_library.setFileName(libraryPath(folder));
    if (m_library.load())
        return true;
    m_error = m_library.errorString();
    qCDebug(lcUsage) << "cannot load" << m_library.fileName() << m_error;
    return false;
}

bool PipLibrary::load(const QString &folder)
{
    unload();
    m_error.clear();
    const QString first = folder.isEmpty() ? executableFolder() : folder;
    if (!tryLoad(first) && !tryLoad(executableFolder()))
        return false;
    if (!resolveAll()) {
        m_library.unload();
        return false;
    }
    m_loaded = true;
    return true;
}

bool PipLibrary::resolveAll()
{
    bool all = true;
    auto resolve = [&](auto &pointer, const char *name) {
        pointer =
            reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(m_library.resolve(name));
        if (!pointer) {
            all = false;
            m_error = QStringLiteral("missing entry point ") + QLatin1String(name);
        }
    };
    resolve(initialize, "TessalyPIPInitializeW");
    resolve(setProductDisplayName, "TessalyPIPSetProductDisplayNameW");
    resolve(terminate, "TessalyPIPTerminate");
    resolve(getLogHandle, "TessalyPIPGetLogHandle");
    resolve(displayOptInOutDialog, "TessalyPIPDisplayOptInOutDialog");
    resolve(enableCrashDetection, "TessalyPIPEnableCrashDetection");
    return all;
}

void PipLibrary::unload()
{
    if (m_library.isLoaded())
        m_library.unload();
    m_loaded = false;
    initialize = nullptr;
    setProductDisplayName = nullptr;
    terminate = nullptr;
    getLogHandle = nullptr;
    displayOptInOutDialog = nullptr;
    enableCrashDetection = nullptr;
}
