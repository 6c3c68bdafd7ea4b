// make_icons <folder> <size>...: writes <folder>/<size>x<size>/velmora-copier.png
// for every size, the layout of the hicolor icon theme.
#include "IconPainter.h"
#include <QDir>
#include <QString>
#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <folder> <size>...\n", argv[0]);
        return 2;
    }
    try {
        for (int i = 2; i < argc; ++i) {
            bool ok = false;
            int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
            if (!ok) {
                std::fprintf(stderr, "make_icons: not a size: %s\n", argv[i]);
                return 2;
            }
            QString dir = QString::fromLocal8Bit(argv[1]) + QString("/%1x%1").arg(size);
            if (!QDir().mkpath(dir)) {
                std::fprintf(stderr, "make_icons: cannot create %s\n", qPrintable(dir));
                return 1;
            }
            QString file = dir + "/velmora-copier.png";
            if (!IconPainter::Paint(size).save(file, "PNG")) {
                std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_icons: %s\n", e.what());
        return 1;
    }
    return 0;
}
