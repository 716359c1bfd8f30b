#pragma once

#include <QString>

// Tells when mailslots appear in a folder of mailslots (inotify), so a sender that waits for a
// receiver to start can wake at once instead of polling.
class MailslotFolderWatch
{
public:
    // Watches the folder of the mailslot `name` (made when missing).
    explicit MailslotFolderWatch(const QString &name);
    ~MailslotFolderWatch();
    MailslotFolderWatch(const MailslotFolderWatch &) = delete;
    MailslotFolderWatch &operator=(const MailslotFolderWatch &) = delete;

    bool isValid() const { return m_fd >= 0; }
    // Readable (POLLIN) when a mailslot was created since the last drain().
    int fd() const { return m_fd; }
    // Consumes the pending notifications; true when any arrived.
    bool drain();

private:
    int m_fd = -1;
};
