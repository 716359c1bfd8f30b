#pragma once

#include "shared/glint/qtglintplayer.h"

// A player for the Welcome Screen's movies. Mouse handling stays with the movie: the widget
// itself ignores presses, releases and moves.
class WelcomeGlintContainer : public QtGlintPlayer
{
    Q_OBJECT
public:
    explicit WelcomeGlintContainer(QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
};
