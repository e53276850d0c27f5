#pragma once
// The program as a quality system starts it, and the PDF files it writes read back as text.
#include <QString>
#include <QStringList>
#include <utility>

// Runs `program` in `folder` with no display and no platform chosen: its exit code and its error output.
std::pair<int, QString> runHeadless(const QString& program, const QString& folder,
                                    const QStringList& arguments);

// The pages' text laid out as printed (pdftotext -layout), or the tool's complaint; each page ends in a form
// feed.
QString pdfText(const QString& path);
