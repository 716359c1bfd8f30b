#include "components/scriptruntime/kernova/file.h"
#include "components/scriptruntime/kernova/filefilter.h"
#include "components/scriptruntime/kernova/filespec.h"
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

FileFilter::~FileFilter() = default;

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

File::File(const FileSpec &spec)
    : m_file(spec.path().toQString())
{
}

bool File::open(Mode mode)
{
    switch (mode) {
    case Mode::Read:
        return m_file.open(QIODevice::ReadOnly | QIODevice::Text);
    case Mode::Write:
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    case Mode::Append:
        return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
    return false;
}

bool File::readln(String &line)
{
    if (!m_file.isOpen() || m_file.atEnd())
        return false;
    QByteArray bytes = m_file.readLine(kMaxLine);
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    line = String(QString::fromUtf8(bytes));
    return true;
}

bool File::eof() const
{
    return !m_file.isOpen() || m_file.atEnd();
}

bool File::write(const String &text)
{
    const QByteArray bytes = text.toQString().toUtf8();
    return m_file.isOpen() && m_file.write(bytes) == bytes.size();
}

void File::close()
{
    m_file.close();
}

} // namespace Kernova
