// Turns a guide from Markdown into one HTML page for the documentation folder, with Qt's own Markdown
// reader, so that building the package needs nothing beyond Qt.
//   vantoria-markdown-to-html <in.md> <out.html> <title>
// Every heading gets the anchor GitHub gives it ("## 1. Installing" -> #1-installing), so a contents list
// of in-page links in the Markdown works in the repository and in the HTML alike. Links between the guides
// name their .md files; in the installed HTML they lead to the .html pages made beside them.

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>

namespace {

// GitHub's rule: lower case, punctuation dropped, blanks become hyphens; a repeated one gets -1, -2, ...
QString headingAnchor(const QString& heading, QSet<QString>& taken) {
    QString anchor;
    for (const QChar c : heading.toLower()) {
        if (c.isLetterOrNumber() || c == u'-' || c == u'_')
            anchor += c;
        else if (c == u' ')
            anchor += u'-';
    }
    const QString base = anchor;
    for (int n = 1; taken.contains(anchor); ++n)
        anchor = base + u'-' + QString::number(n);
    taken.insert(anchor);
    return anchor;
}

void anchorHeadings(QTextDocument& document) {
    QSet<QString> taken;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.length() < 2)
            continue;
        // On the first character only: the exporter writes one <a name> per fragment that carries it.
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorNames({headingAnchor(block.text(), taken)});
        cursor.mergeCharFormat(format);
    }
}

} // namespace

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
    anchorHeadings(document);
    QString html = document.toHtml();
    static const QRegularExpression guideLink(QStringLiteral(R"(href="([^":#?]+)\.md(#[^"]*)?")"));
    html.replace(guideLink, QStringLiteral(R"(href="\1.html\2")"));
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
