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
