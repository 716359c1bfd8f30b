#include "platform/namedmutex/namedmutex.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcNamedMutex, "tessaly.platform.namedmutex", QtWarningMsg)

namespace Internal {

struct NamedMutexState
{
    ~NamedMutexState()
    {
        if (fd >= 0)
            ::close(fd);
    }

    QString name;
    int fd = -1; // the lock file; -1 for an unnamed mutex
    std::mutex lock;
    std::condition_variable released;
    std::thread::id owner; // default-constructed: nobody in this process
    int depth = 0;
    // The owning thread of this process ended without releasing.
    bool abandoned = false;
    // Inherited through fork(): the lock file belongs to the parent, the handle is dead here.
    std::atomic<bool> forked = false;
};

} // namespace Internal

using Internal::NamedMutexState;

namespace {

// One state per lock file in this process, keyed by device and inode so that two spellings of
// the same folder still meet: flock() locks of two descriptors of one process exclude each
// other, which would make a thread wait for itself.
using FileKey = std::pair<dev_t, ino_t>;

struct Registry
{
    std::mutex lock;
    std::map<FileKey, std::weak_ptr<NamedMutexState>> states;
};

Registry &registry();

// A forked child must not share its parent's locks: an inherited descriptor refers to the
// parent's locked file description, so a create in the child would find the parent's mutex
// "already owned" by its own thread, and a child outliving its parent would keep the lock.
// The child therefore closes the inherited lock files and starts with an empty registry;
// handles it inherited fail from then on.
void lockRegistryForFork()
{
    registry().lock.lock();
}

void unlockRegistryInParent()
{
    registry().lock.unlock();
}

void resetRegistryInChild();

Registry &registry()
{
    static Registry instance;
    static const int registered =
        ::pthread_atfork(lockRegistryForFork, unlockRegistryInParent, resetRegistryInChild);
    Q_UNUSED(registered);
    return instance;
}

// The mutexes the current thread owns. When the thread ends, each of them is abandoned as a
// Windows mutex is: the lock is dropped but its owner mark stays in the file, so the next waiter
// in any process learns that the data it guards may be inconsistent.
void abandon(NamedMutexState &state);

struct OwnedByThread
{
    ~OwnedByThread()
    {
        for (const auto &state : states)
            abandon(*state);
    }
    std::vector<std::shared_ptr<NamedMutexState>> states;
};

thread_local OwnedByThread ownedByThread;

void abandon(NamedMutexState &state)
{
    if (state.forked)
        return;
    {
        const std::lock_guard guard(state.lock);
        if (state.owner != std::this_thread::get_id())
            return;
        state.owner = {};
        state.depth = 0;
        state.abandoned = true;
        if (state.fd >= 0)
            ::flock(state.fd, LOCK_UN);
    }
    state.released.notify_all();
}

void resetRegistryInChild()
{
    Registry &reg = registry();
    for (auto &entry : reg.states) {
        if (const auto state = entry.second.lock()) {
            state->forked = true;
            ::close(state->fd);
            state->fd = -1;
        }
    }
    reg.states.clear();
    // Ownership does not pass to the child, so its thread must not abandon anything when it ends.
    ownedByThread.states.clear();
    reg.lock.unlock();
}

enum class FileLock { Taken, TakenAbandoned, Busy, Failed };

// Called with state.lock held and no owner in this process.
FileLock lockFile(NamedMutexState &state)
{
    if (state.fd < 0)
        return FileLock::Taken;
    while (::flock(state.fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return FileLock::Busy;
        qCWarning(lcNamedMutex) << "cannot lock" << state.name << std::strerror(errno);
        return FileLock::Failed;
    }
    // An owner writes its process id into the file and empties it again on release; text left
    // behind means the previous owner ended while it held the mutex.
    struct stat st;
    const bool abandoned = ::fstat(state.fd, &st) == 0 && st.st_size > 0;
    const QByteArray mark = QByteArray::number(::getpid()) + '\n';
    // A mark that cannot be written only costs the abandonment report of a later crash.
    if (::ftruncate(state.fd, 0) != 0 || ::pwrite(state.fd, mark.constData(), mark.size(), 0) < 0)
        qCDebug(lcNamedMutex) << "cannot mark" << state.name << std::strerror(errno);
    return abandoned ? FileLock::TakenAbandoned : FileLock::Taken;
}

NamedMutex::Created failure(NamedMutex::Error error, const QString &message)
{
    NamedMutex::Created created;
    created.error = error;
    created.message = message;
    created.initialWait = NamedMutex::WaitResult::Failed;
    return created;
}

std::shared_ptr<NamedMutexState> openState(const QString &name, NamedMutex::Error *error,
                                           QString *message)
{
    const MutexFolder::Opened folder = MutexFolder::open();
    if (!folder.ok()) {
        *error = folder.error == MutexFolder::Error::Unsafe ? NamedMutex::Error::FolderUnsafe
                                                            : NamedMutex::Error::FolderUnavailable;
        *message = folder.message;
        return {};
    }
    const QByteArray fileName = MutexFolder::fileNameFor(name);
    // O_NONBLOCK keeps a FIFO planted under the name from blocking the open.
    const int fd = ::openat(folder.fd, fileName.constData(),
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    const int openErrno = errno;
    ::close(folder.fd);
    const QString path = folder.path + QLatin1Char('/') + QString::fromLatin1(fileName);
    if (fd < 0) {
        *error = NamedMutex::Error::FileUnavailable;
        *message = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(openErrno));
        return {};
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
        ::close(fd);
        *error = NamedMutex::Error::FileUnavailable;
        *message = path + QStringLiteral(": not a regular file of this user");
        return {};
    }

    Registry &reg = registry();
    const std::lock_guard guard(reg.lock);
    const FileKey key{st.st_dev, st.st_ino};
    if (auto existing = reg.states[key].lock()) {
        ::close(fd);
        return existing;
    }
    std::erase_if(reg.states, [](const auto &entry) { return entry.second.expired(); });
    auto state = std::make_shared<NamedMutexState>();
    state->name = name;
    state->fd = fd;
    reg.states[key] = state;
    return state;
}

} // namespace

NamedMutex::Created NamedMutex::create(const QString &name, bool initiallyOwned)
{
    std::shared_ptr<NamedMutexState> state;
    if (name.isEmpty()) {
        state = std::make_shared<NamedMutexState>();
    } else {
        Error error = Error::None;
        QString message;
        state = openState(name, &error, &message);
        if (!state)
            return failure(error, message);
    }
    Created created;
    created.mutex.emplace(NamedMutex(std::move(state)));
    if (initiallyOwned)
        created.initialWait = created.mutex->wait(std::chrono::milliseconds(0));
    return created;
}

NamedMutex::NamedMutex(std::shared_ptr<NamedMutexState> state)
    : m_state(std::move(state))
{
}

NamedMutex::NamedMutex(NamedMutex &&) noexcept = default;
NamedMutex &NamedMutex::operator=(NamedMutex &&) noexcept = default;
NamedMutex::~NamedMutex() = default;

QString NamedMutex::name() const
{
    return m_state ? m_state->name : QString();
}

NamedMutex::WaitResult NamedMutex::wait()
{
    return wait(std::chrono::milliseconds::max());
}

NamedMutex::WaitResult NamedMutex::wait(std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    if (!m_state || m_state->forked)
        return WaitResult::Failed;
    NamedMutexState &state = *m_state;
    const bool infinite = timeout == std::chrono::milliseconds::max();
    const Clock::time_point deadline =
        infinite ? Clock::time_point::max() : Clock::now() + std::max(timeout, timeout.zero());
    const std::thread::id self = std::this_thread::get_id();
    const auto unowned = [&state] {
        return state.owner == std::thread::id();
    };

    std::unique_lock guard(state.lock);
    if (state.owner == self) {
        if (state.depth == std::numeric_limits<int>::max())
            return WaitResult::Failed;
        ++state.depth;
        return WaitResult::Acquired;
    }
    auto poll = std::chrono::milliseconds(1);
    for (;;) {
        if (!unowned()) {
            if (infinite)
                state.released.wait(guard, unowned);
            else if (!state.released.wait_until(guard, deadline, unowned))
                return WaitResult::TimedOut;
        }
        const FileLock lock = lockFile(state);
        if (lock == FileLock::Failed)
            return WaitResult::Failed;
        if (lock != FileLock::Busy) {
            const bool abandoned = state.abandoned || lock == FileLock::TakenAbandoned;
            state.owner = self;
            state.depth = 1;
            state.abandoned = false;
            ownedByThread.states.push_back(m_state);
            return abandoned ? WaitResult::Abandoned : WaitResult::Acquired;
        }
        // Another process holds the lock. flock() has no timed form and the kernel tells
        // nobody when a lock is dropped, so poll, backing off to a few polls per 100 ms; a
        // release in this process still wakes the wait at once.
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return WaitResult::TimedOut;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        state.released.wait_for(guard, std::min(poll, left + std::chrono::milliseconds(1)));
        poll = std::min(poll * 2, std::chrono::milliseconds(25));
    }
}

bool NamedMutex::release()
{
    if (!m_state || m_state->forked)
        return false;
    NamedMutexState &state = *m_state;
    {
        const std::lock_guard guard(state.lock);
        if (state.owner != std::this_thread::get_id())
            return false;
        if (--state.depth > 0)
            return true;
        if (state.fd >= 0) {
            // Emptied before unlocking: an empty file tells the next owner all was well.
            if (::ftruncate(state.fd, 0) != 0)
                qCDebug(lcNamedMutex) << "cannot clear" << state.name << std::strerror(errno);
            ::flock(state.fd, LOCK_UN);
        }
        state.owner = {};
    }
    state.released.notify_all();
    auto &owned = ownedByThread.states;
    const auto it = std::find(owned.begin(), owned.end(), m_state);
    if (it != owned.end())
        owned.erase(it);
    return true;
}

bool NamedMutex::isOwnedByCurrentThread() const
{
    if (!m_state)
        return false;
    const std::lock_guard guard(m_state->lock);
    return m_state->owner == std::this_thread::get_id();
}
