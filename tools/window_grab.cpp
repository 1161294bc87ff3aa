// capspect_window_grab WINDOW-ID FILE.png: saves the picture of an X window as PNG.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fputs("usage: capspect_window_grab WINDOW-ID FILE.png\n", stderr);
        return 2;
    }
    const WId window = std::stoull(argv[1], nullptr, 0);
    const QString file = QString::fromLocal8Bit(argv[2]);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
    if (picture.isNull() || !picture.save(file, "PNG")) {
        std::fprintf(stderr, "capspect_window_grab: cannot save window %s to %s\n", argv[1],
                     argv[2]);
        return 1;
    }
    return 0;
}
