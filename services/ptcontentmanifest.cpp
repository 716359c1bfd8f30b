#include "services/ptcontentmanifest.h"

#include "services/mbslog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

bool PtContentManifest::isValidToken(std::string_view token)
{
    if (token.empty())
        return false;
    for (const char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || isSpace(c))
            return false;
    }
    return true;
}

PtContentManifest::Map PtContentManifest::parse(QByteArrayView text)
{
    Map map;
    const char *p = text.data();
    const char *const end = p + text.size();
    auto nextToken = [&]() -> std::string_view {
        while (p != end && isSpace(*p))
            ++p;
        const char *start = p;
        while (p != end && !isSpace(*p))
            ++p;
        return std::string_view(start, size_t(p - start));
    };
    for (;;) {
        const std::string_view name = nextToken();
        if (name.empty())
            break;
        const std::string_view version = nextToken();
        if (version.empty()) {
            map.clear();
            break;
        }
        map[std::string(name)] = std::string(version);
    }
    return map;
}

QByteArray PtContentManifest::serialize(const Map &map)
{
    QByteArray text;
    for (const auto &[name, version] : map) {
        if (!isValidToken(name) || !isValidToken(version)) {
            qCWarning(lcMbs) << "manifest entry left out, not a token:" << name.c_str();
            continue;
        }
        text.append(name.data(), qsizetype(name.size()));
        text.append(' ');
        text.append(version.data(), qsizetype(version.size()));
        text.append('\n');
    }
    return text;
}

PtContentManifest::Map PtContentManifest::read(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.read(maximumFileSize + 1);
    if (text.size() > maximumFileSize) {
        qCWarning(lcMbs) << "manifest too large, read as empty:" << filePath;
        return {};
    }
    return parse(text);
}

bool PtContentManifest::write(const QString &filePath, const Map &map)
{
    if (map.empty())
        return false;
    const QFileInfo target(filePath);
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        return false;
    const QByteArray text = serialize(map);
    if (temporary.write(text) != text.size() || !temporary.flush())
        return false;
    temporary.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                             QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // rename(2) replaces the directory entry itself: a symbolic link named manifest.txt is
    // replaced, its target is never written.
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return false;
    temporary.setAutoRemove(false);
    return true;
}
