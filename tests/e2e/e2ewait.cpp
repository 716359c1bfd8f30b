#include "tests/e2e/e2ewait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

bool E2eWait::until(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        // Process output and ends arrive as events; X state and files are looked at again at
        // least every 20 ms.
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(20, deadline.remainingTime()), &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
    return true;
}
