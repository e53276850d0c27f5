// One picture of the 1030 x 637 window: capture, encode and write it as a bitmap (goal: median under
// 30 ms), and the encoding alone (goal: under 5 ms). Prints "name: value" lines:
//   capture_save_ms, encode_ms. Run from anywhere: build/bench/capture/bench_capture [runs=31]

#include "BenchSupport.h"
#include "TestWindow.h"
#include "capture/Bitmap.h"
#include "capture/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    TestWindow w;
    w.window->show();
    std::vector<double> whole, encode;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const QImage picture = w.window->screenshots().capture();
        bitmap::write(QStringLiteral("shot.bmp"), picture);
        whole.push_back(clock.nsecsElapsed() / 1e6);
        clock.restart();
        const QByteArray bytes = bitmap::encode(picture);
        encode.push_back(clock.nsecsElapsed() / 1e6);
        if (bytes.size() < 54)
            return 1;
    }
    std::printf("capture_save_ms: %.3f\nencode_ms: %.3f\n", bench::median(whole), bench::median(encode));
    return 0;
}
