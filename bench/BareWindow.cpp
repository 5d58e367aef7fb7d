// The smallest Qt program that shows a window: the yardstick of dedevev_bench_app.
//
//   dedevev_bench_bare_window <log> [--image FILE] [--stay]
//
// Shows one window (a QLabel holding FILE, or an empty QWidget), appends "shown" to <log>
// once the window is up, then quits; with --stay it keeps running until it is terminated, so
// that its memory can be read.

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: dedevev_bench_bare_window <log> [--image FILE] [--stay]\n", stderr);
        return 2;
    }
    const QString log = QString::fromLocal8Bit(argv[1]);
    QString image;
    bool stay = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--image") == 0 && i + 1 < argc) {
            image = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--stay") == 0) {
            stay = true;
        }
    }

    std::unique_ptr<QWidget> window;
    if (image.isEmpty()) {
        window = std::make_unique<QWidget>();
        window->resize(400, 300);
    } else {
        auto label = std::make_unique<QLabel>();
        const QPixmap pixmap(image);
        if (pixmap.isNull()) {
            std::fprintf(stderr, "cannot load %s\n", qPrintable(image));
            return 1;
        }
        label->setPixmap(pixmap);
        label->resize(pixmap.size());
        window = std::move(label);
    }
    window->show();
    // Queued behind the show, the same way the application logs its own window.
    QTimer::singleShot(0, window.get(), [&] {
        QFile file(log);
        if (file.open(QIODevice::Append | QIODevice::Text))
            file.write("shown\n");
        file.close();
        if (!stay)
            QApplication::quit();
    });
    return app.exec();
}
