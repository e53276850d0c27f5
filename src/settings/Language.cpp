#include "settings/Language.h"

#include "Controls.h"

#include <QPlainTextEdit>
#include <QTextDocument>

Language::Language(QPlainTextEdit* lines) : lines_(lines) {
    if (lines_)
        changed_ = QObject::connect(lines_->document(), &QTextDocument::contentsChanged, lines_,
                                    [this] { read_.clear(); });
}

Language::~Language() { QObject::disconnect(changed_); }

QString Language::text(int line) const {
    const auto known = read_.constFind(line);
    if (known != read_.constEnd())
        return *known;
    return *read_.insert(line, controls::line(lines_, line));
}
