#pragma once

#include <QIcon>

class QPainter;

// The program's icon (resource 128): a web page being packed into one
// archive box. Drawn at every size, so it stays sharp in title bars and docks.
QIcon LoadAppIcon();

// Draws the icon into a square of `size` pixels at the painter's origin; the
// installed icon files are drawn with it too.
void PaintAppIcon(QPainter& painter, int size);
