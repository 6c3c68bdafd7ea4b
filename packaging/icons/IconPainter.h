#pragma once

#include <QImage>

// Draws the program's icon at any size from the shapes of velmora-copier.svg,
// so the PNG sizes of the icon theme need nothing but Qt Gui to build.
class IconPainter {
public:
    // A square ARGB picture, transparent around the copier. Sizes from 1 to 4096.
    static QImage Paint(int size);
};
