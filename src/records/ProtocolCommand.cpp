#include "records/ProtocolCommand.h"

#include "records/ProtocolOutput.h"
#include "records/SqliteStore.h"
#include "settings/SettingsFile.h"
#include "settings/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <cstdio>
#include <exception>

namespace records {

QString settingsLanguageIn(const QString& folder) {
    constexpr int LanguageLine = 1;
    const QDir dir(folder);
    try {
        const QStringList lines =
            textfile::read(dir.filePath(QString::fromLatin1(SettingsFile::DefaultFileName))).lines;
        const QString custom = lines.value(SettingsFile::CustomFileLine);
        if (!custom.isEmpty()) {
            try {
                return textfile::read(dir.filePath(custom)).lines.value(LanguageLine);
            } catch (const std::exception&) {
                // The program itself goes on with the default file's lines when the custom file is gone.
            }
        }
        return lines.value(LanguageLine);
    } catch (const std::exception&) {
        return QStringLiteral("DE"); // the shipped settings' language
    }
}

namespace {
bool write(const QString& folder, const QString& which, const QString& file, const ProtocolTexts& texts,
           QString* error) {
    const QString path = QDir(folder).absoluteFilePath(QString::fromLatin1(SqliteStore::DefaultFileName));
    // Opening would make an empty database, and a typing mistake in the folder would go unnoticed.
    if (!QFileInfo(path).isFile()) {
        *error = texts.noDatabase.arg(QDir::toNativeSeparators(path));
        return false;
    }
    OpenReport report;
    const std::unique_ptr<SqliteStore> store = SqliteStore::open(path, &report);
    if (!store) {
        *error = report.error;
        return false;
    }
    std::optional<Record> record;
    if (which == QLatin1String("last")) {
        record = store->latest();
        if (!record)
            *error = texts.noRecords;
    } else {
        // Ids are kept in lower case without braces; a quality system may hand them over either way.
        const QUuid uuid = QUuid::fromString(which.trimmed());
        record = store->find(uuid.isNull() ? which : uuid.toString(QUuid::WithoutBraces));
        if (!record)
            *error = texts.noRecord.arg(which);
    }
    return record && writeProtocolPdf(file, *record, protocolTrend(*store, *record), texts, error);
}
} // namespace

int protocolCommand(const QString& folder, const QString& which, const QString& file) {
    const ProtocolTexts texts = protocolTexts(settingsLanguageIn(folder));
    QString error;
    if (write(folder, which, file, texts, &error))
        return 0;
    std::fprintf(stderr, "vantoria: %s\n", qPrintable(error));
    return 1;
}

} // namespace records
