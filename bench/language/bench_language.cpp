// Applying a language file of the user's own whose comment line is 10 MB long (a hostile or broken file):
// goal median under 500 ms and the window usable afterwards; it once took 12 s of CPU. Prints
// "name: value" lines: apply_long_line_ms, apply_normal_ms. Run from anywhere:
//   build/bench/language/bench_language [runs=5]

#include "BenchSupport.h"
#include "TestWindow.h"
#include "settings/LanguageApplier.h"
#include "settings/LanguageLines.h"
#include "settings/TextFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 5;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    TestWindow w;
    w.window->show();
    QStringList lines = textfile::read(QStringLiteral("English.txt")).lines;
    lines[lang::Comment] = QString(10 << 20, QLatin1Char('x'));
    writeSettingsFile(lines, QStringLiteral("Long.txt"));
    auto applyMs = [&](const QString& file) {
        w.edit(QStringLiteral("editLanguageFilePath"))->setText(file);
        w.button(QStringLiteral("btnOtherLanguage"))->setChecked(true);
        QElapsedTimer clock;
        clock.start();
        w.window->languageApplier().ApplyLanguage();
        QApplication::processEvents(); // the window draws the new captions
        return clock.nsecsElapsed() / 1e6;
    };
    std::vector<double> longLine, normal;
    for (int i = 0; i < runs; ++i) {
        longLine.push_back(applyMs(QStringLiteral("Long.txt")));
        normal.push_back(applyMs(QStringLiteral("English.txt")));
    }
    std::printf("apply_long_line_ms: %.1f\napply_normal_ms: %.1f\n", bench::median(longLine),
                bench::median(normal));
    return 0;
}
