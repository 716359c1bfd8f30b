#pragma once

#include "platform/namedmutex/mutexfolder.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace Internal {
struct NamedMutexState;
}

// A mutex shared by name between the processes of one user, with the semantics programs of the
// product family rely on:
//
// - it is owned by a thread and recursive: each successful wait of the owner must be matched by
//   a release, and only the owner can release it;
// - creating a name again (in this or another process) gives a new handle to the same mutex;
// - an owner that ends without releasing (its thread ends, its process ends or is killed)
//   abandons the mutex: the next waiter obtains it and is told so with WaitResult::Abandoned.
//
// Between processes the mutex is a lock file in MutexFolder held with flock(); the kernel drops
// the lock when its process dies. A handle is cheap to move; the mutex lives while a handle or an
// owning thread refers to it. An empty name makes an unnamed mutex, private to this process.
class NamedMutex
{
public:
    enum class WaitResult {
        Acquired,  // the calling thread owns it now (again, when it already did)
        Abandoned, // owned now; the previous owner ended without releasing it
        TimedOut,  // another thread or process still owns it
        Failed,    // the lock file could not be locked
    };

    enum class Error {
        None,
        FolderUnavailable,
        FolderUnsafe,
        FileUnavailable,
    };

    struct Created;

    // Opens the mutex of this name, creating it when no process has it yet. With initiallyOwned,
    // the calling thread also tries to take it at once (Created::initialWait tells the outcome).
    static Created create(const QString &name, bool initiallyOwned = false);

    NamedMutex(NamedMutex &&) noexcept;
    NamedMutex &operator=(NamedMutex &&) noexcept;
    ~NamedMutex();

    QString name() const;

    // Waits up to timeout for ownership; a zero timeout only tries.
    WaitResult wait(std::chrono::milliseconds timeout);
    // Waits as long as it takes (or until locking fails).
    WaitResult wait();
    // Gives up one level of ownership. False (and nothing changes) when the calling thread is not
    // the owner.
    bool release();

    // True when the calling thread owns the mutex.
    bool isOwnedByCurrentThread() const;

private:
    explicit NamedMutex(std::shared_ptr<Internal::NamedMutexState> state);

    std::shared_ptr<Internal::NamedMutexState> m_state;
};

struct NamedMutex::Created
{
    std::optional<NamedMutex> mutex; // empty when creation failed
    Error error = Error::None;
    QString message;
    // With initiallyOwned: Acquired or Abandoned when the calling thread owns it, else TimedOut
    // (or Failed). Without it: TimedOut.
    WaitResult initialWait = WaitResult::TimedOut;

    bool ok() const { return mutex.has_value(); }
    bool owned() const
    {
        return initialWait == WaitResult::Acquired || initialWait == WaitResult::Abandoned;
    }
};
