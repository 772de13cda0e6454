// Renders the application icon into PNG files for installation, from the same drawing code the
// program uses. Usage: kyn_make_artwork OUTPUT_DIR  (writes OUTPUT_DIR/<size>/kyndataconverter.png)
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/Artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kyn_make_artwork OUTPUT_DIR\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2").arg(out).arg(size);
        QDir().mkpath(dir);
        if (!kyn::app::AppIconImage(size).save(dir + QStringLiteral("/kyndataconverter.png"))) {
            std::fprintf(stderr, "kyn_make_artwork: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
