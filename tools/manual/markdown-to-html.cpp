// Turns the manual from Markdown into one HTML page for the documentation folder, with Qt's own Markdown
// reader, so that building the package needs nothing beyond Qt.
//   vantoria-markdown-to-html <manual.md> <manual.html> <title>

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <in.md> <out.html> <title>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(in.errorString()));
        return 1;
    }
    QTextDocument document;
    document.setMarkdown(QString::fromUtf8(in.readAll()), QTextDocument::MarkdownDialectGitHub);
    document.setMetaInformation(QTextDocument::DocumentTitle, QString::fromLocal8Bit(argv[3]));
    QString html = document.toHtml();
    // Qt writes its own small default font onto the body; a browser page reads better in the reader's font.
    // Pictures of the window are wider than a narrow browser window.
    html.replace(QStringLiteral("</head>"),
                 QStringLiteral("<style>body { max-width: 62em; margin: 1em auto; padding: 0 1em;"
                                " font-family: sans-serif !important; font-size: medium !important; }"
                                " img { max-width: 100%; height: auto; }"
                                " td, th { padding: 2px 6px; vertical-align: top; }</style></head>"));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(html.toUtf8()) < 0 || !out.flush()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
