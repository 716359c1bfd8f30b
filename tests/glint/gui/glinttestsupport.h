#pragma once

#include "shared/glint/qtglintplayer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QStringList>

#include <string>

// Paths of the test movies.
QString moviePath(const QString &name);

// Processes events until the predicate holds or five seconds have passed.
template<typename Predicate>
bool waitUntil(Predicate predicate, int milliseconds = 5000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Records every slot call as "slot:values".
class TestReceiver : public QObject
{
    Q_OBJECT
public:
    QStringList calls;
    bool boolResult = true;

public slots:
    void onInt(int value) { calls << QStringLiteral("onInt:%1").arg(value); }
    void onNumber(int value) { calls << QStringLiteral("onNumber(int):%1").arg(value); }
    void onNumber(qreal value) { calls << QStringLiteral("onNumber(qreal):%1").arg(value); }
    void onTextAndFlag(const QString &text, bool flag)
    {
        calls << QStringLiteral("onTextAndFlag:%1,%2").arg(text).arg(flag);
    }
    bool onBool()
    {
        calls << QStringLiteral("onBool");
        return boolResult;
    }
    int onCount()
    {
        calls << QStringLiteral("onCount");
        return 3;
    }
    QString onName()
    {
        calls << QStringLiteral("onName");
        return QStringLiteral("a]]>b");
    }
    void first() { calls << QStringLiteral("first"); }
    void second() { calls << QStringLiteral("second"); }
    void movieReady(int width, int height)
    {
        calls << QStringLiteral("movieReady:%1x%2").arg(width).arg(height);
    }
    void imageLoaded(bool ok, int width)
    {
        calls << QStringLiteral("imageLoaded:%1,%2").arg(ok).arg(width);
    }
    void channelReceived(const QString &message, const QString &json)
    {
        calls << QStringLiteral("channelReceived:%1,%2").arg(message, json);
    }
};

// A player that shows what a host subclass sees.
class TestPlayer : public QtGlintPlayer
{
public:
    using QtGlintPlayer::QtGlintPlayer;

    QStringList traces;
    QStringList servedNames;
    QByteArray servedData;

    void onTrace(const std::string &text) override
    {
        traces << QString::fromStdString(text);
        QtGlintPlayer::onTrace(text);
    }
    // The raw reply of an incoming call, as the window procedure would store it.
    std::string callApp(const std::string &request)
    {
        std::string result = "unchanged";
        CallAppFunction(result, request);
        return result;
    }

protected:
    void provideUrlData(const QString &name, QByteArray &data) override
    {
        servedNames << name;
        data = servedData;
    }
};
