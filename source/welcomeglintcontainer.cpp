#include "source/welcomeglintcontainer.h"

WelcomeGlintContainer::WelcomeGlintContainer(QWidget *parent)
    : QtGlintPlayer(parent, {}, 1)
{
}

void WelcomeGlintContainer::mousePressEvent(QMouseEvent *) {}

void WelcomeGlintContainer::mouseReleaseEvent(QMouseEvent *) {}

void WelcomeGlintContainer::mouseMoveEvent(QMouseEvent *) {}
