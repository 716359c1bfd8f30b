#pragma once

#include <QFont>
#include <QImage>

// The launcher's one UI font: family "Harrow Web Pro" at the given point size, not italic. The
// weight is on the classic 0-99 scale (50 normal, 75 bold) the chrome's sizes are given in.
QFont makeUiFont(int pointSize, int weight);

// The inactive form of an image: 32-bit images with alpha become grey at 40 % of their
// opacity; other images come back unchanged.
QImage makeDisabledImage(const QImage &image);
