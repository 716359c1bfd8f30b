#include "platform/mailslot/mailslotfolderwatch.h"

#include "platform/mailslot/mailslot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/inotify.h>
#include <unistd.h>

MailslotFolderWatch::MailslotFolderWatch(const QString &name)
{
    const QString path = Mailslot::pathFor(name);
    if (path.isEmpty())
        return;
    const QString folder = QFileInfo(path).path();
    QDir().mkpath(folder);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return;
    // A receiver binding its socket creates the file.
    if (::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE) < 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

MailslotFolderWatch::~MailslotFolderWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MailslotFolderWatch::drain()
{
    if (m_fd < 0)
        return false;
    bool any = false;
    alignas(inotify_event) char buffer[4096];
    while (::read(m_fd, buffer, sizeof buffer) > 0)
        any = true;
    return any;
}
