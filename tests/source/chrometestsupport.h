#pragma once

// Shared set-up of the chrome tests: the repository's chrome images as the bitmaps folder and a
// live image store, restored afterwards.

#include "source/launcherimagestore.h"
#include "source/launcherpaths.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

inline QString repositoryAssets()
{
    return QStringLiteral(TESSALY_SOURCE_DIR "/assets/common/");
}

// Copies the repository's bitmaps into bitmapsParent/bitmaps/, so a test can take files away.
inline bool copyBitmaps(const QString &bitmapsParent)
{
    const QString from = repositoryAssets() + QStringLiteral("bitmaps/");
    for (const QString &sub : {QStringLiteral("common"), QStringLiteral("widgets")}) {
        const QString target = bitmapsParent + QStringLiteral("/bitmaps/") + sub;
        if (!QDir().mkpath(target))
            return false;
        const QStringList files = QDir(from + sub).entryList(QDir::Files);
        for (const QString &file : files) {
            if (!QFile::copy(from + sub + QLatin1Char('/') + file,
                             target + QLatin1Char('/') + file))
                return false;
        }
    }
    return true;
}

class ChromeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedAssets = LauncherPaths::assetsDirectory();
        LauncherPaths::setAssetsDirectory(repositoryAssets());
        m_store = std::make_unique<LauncherImageStore>();
    }

    void TearDown() override
    {
        m_store.reset();
        LauncherPaths::setAssetsDirectory(m_savedAssets);
    }

    static QImage chrome(int index) { return LauncherImageStore::chromeImage(index); }

    std::unique_ptr<LauncherImageStore> m_store;

private:
    QString m_savedAssets;
};

// Sends a mouse event the way the window system would deliver it.
inline void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                      QPoint global = QPoint(-1, -1))
{
    if (global == QPoint(-1, -1))
        global = widget->mapToGlobal(pos);
    QMouseEvent event(type, QPointF(pos), QPointF(global), button, buttons, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

// Processes events until the condition holds or the time is up.
template<typename Condition>
bool waitFor(Condition condition, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (condition())
            return true;
        QThread::msleep(10);
    }
    QCoreApplication::processEvents();
    return condition();
}
