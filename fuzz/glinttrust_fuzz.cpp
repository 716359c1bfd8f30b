// Feeds arbitrary bytes to the trust-file reader and checks what it yields: absolute, cleaned
// folders without a NUL, each of which contains itself.

#include "shared/glint/glintplayertrust.h"

#include <QByteArray>
#include <QDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList folders = GlintPlayerTrust::parseTrustFile(bytes);
    if (folders.size() > bytes.count('\n') + 1)
        std::abort();
    for (const QString &folder : folders) {
        if (!QDir::isAbsolutePath(folder) || QDir::cleanPath(folder) != folder ||
            folder.contains(QChar(0)))
            std::abort();
        if (!GlintPlayerTrust::isInside(folder, folder))
            std::abort();
    }
    return 0;
}
