// Writes the program's window picture as the PNG the desktop shows for it,
// so the icon on the desktop and the one in the title bar are one drawing.
#include "app/ButtonIcons.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE FILE.png\n", argv[0]);
        return 2;
    }
    QGuiApplication application(argc, argv);
    const int size = std::atoi(argv[1]);
    if (size < 16 || size > 1024 || !PaintWindowIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write a %s px icon to %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
