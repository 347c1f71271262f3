// Paints the program's picture into a PNG file for the installed icon theme:
// wayfold_icon OUTPUT.png SIZE. Runs at build time, without a display.
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/logo.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    bool sizeOk = false;
    const int size = arguments.size() == 2 ? arguments.at(1).toInt(&sizeOk) : 0;
    if (!sizeOk || size < 16 || size > 1024) {
        std::fputs("usage: wayfold_icon OUTPUT.png SIZE (16 to 1024)\n", stderr);
        return 2;
    }
    if (!WayfoldLogo(size).save(arguments.at(0), "PNG")) {
        std::fprintf(stderr, "wayfold_icon: cannot write %s\n", qPrintable(arguments.at(0)));
        return 1;
    }
    return 0;
}
