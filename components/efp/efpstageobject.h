#pragma once

#include <QJSValue>
#include <QObject>

class EFPStagePlayer;

// The movie's "Stage": requests about the window the movie plays in, passed to the host, which
// may act on them itself or leave them to the player.
//
//   Stage.requestMinimize()
//   var r = Stage.queryProperty(2)    // [left, top, right, bottom] of the stage
//   var p = Stage.stageToScreen(10, 10)  // {x, y} on the screen
class EFPStageObject : public QObject
{
    Q_OBJECT
public:
    explicit EFPStageObject(EFPStagePlayer *player);

    Q_INVOKABLE void requestActivate();
    Q_INVOKABLE void requestMaximize();
    Q_INVOKABLE void requestMinimize();
    Q_INVOKABLE void requestRestore();
    Q_INVOKABLE void orderToBack();
    Q_INVOKABLE void orderToFront();
    Q_INVOKABLE void orderBehind();
    Q_INVOKABLE void orderInFrontOf();
    Q_INVOKABLE void notifyUser();
    Q_INVOKABLE QJSValue stageToScreen(int x, int y);
    // The host's answer to a property query: four numbers, or a text for the title (6);
    // undefined when the host answered nothing.
    Q_INVOKABLE QJSValue queryProperty(int id);
    // Asks the host for a new stage size.
    Q_INVOKABLE void requestSize(int width, int height);

private:
    EFPStagePlayer *m_player;
};
