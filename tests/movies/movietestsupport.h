#pragma once

#include "tools/moviehost/moviehost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QStringList>

#include <memory>

class QQuickItem;
class QQuickWindow;

// Processes events until the predicate holds or the time is up.
template<typename Predicate>
bool waitFor(Predicate predicate, int milliseconds = 8000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A movie host with the movies loaded and the set-up played, plus ways into the rendered items.
class MovieFixture
{
public:
    explicit MovieFixture(const MovieHostSettings &settings = {});
    ~MovieFixture();

    MovieHost &host() { return *m_host; }
    // Loads, waits for the set-up and the first frames; false when that did not happen.
    bool start();

    // An item of the container movie (or of the pod movie) by object name.
    QQuickItem *item(const QString &name) const;
    QQuickItem *podItem(const QString &name) const;
    QQuickWindow *containerWindow() const;
    QQuickWindow *podWindow() const;
    void click(QQuickItem *item);
    void pressKey(QQuickWindow *window, Qt::Key key);
    // Presses Tab until the item has the keyboard focus; false after 40 presses.
    bool tabTo(QQuickItem *item);
    // Whether the host has recorded this call since the last clear.
    bool hasCall(const QString &call) const { return m_host->calls().contains(call); }
    bool waitForCall(const QString &call, int milliseconds = 3000);

    // Messages of the movies' engine that report a fault (QML errors, script errors).
    static QStringList movieErrors();
    static void clearMovieErrors();

private:
    std::unique_ptr<MovieHost> m_host;
};

// The whole X screen; null without imagemagick's import.
QImage grabScreen(const QString &file);
