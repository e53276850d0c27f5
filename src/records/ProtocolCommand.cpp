#include "records/ProtocolCommand.h"

#include "records/PostgresStore.h"
#include "records/ProtocolOutput.h"
#include "records/RecordsConfig.h"
#include "records/SqliteStore.h"
#include "settings/SettingsFile.h"
#include "settings/TextFile.h"

#include <QDir>
#include <QFile>
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
std::optional<Record> findIn(RecordStore& store, const QString& which) {
    if (which == QLatin1String("last"))
        return store.latest();
    // Ids are kept in lower case without braces; a quality system may hand them over either way.
    const QUuid uuid = QUuid::fromString(which.trimmed());
    return store.find(uuid.isNull() ? which : uuid.toString(QUuid::WithoutBraces));
}

RecordsConfig configIn(const QDir& folder) {
    return readRecordsConfig(folder.filePath(QStringLiteral("Records.ini")));
}

bool write(const QString& folder, const QString& which, const QString& file, const ProtocolTexts& texts,
           QString* error) {
    const QString path = QDir(folder).absoluteFilePath(QString::fromLatin1(SqliteStore::DefaultFileName));
    const bool last = which == QLatin1String("last");
    // The newest record is this PC's own; a record named by its id may be another PC's, on the server.
    const QString server = last ? QString() : configIn(QDir(folder)).server;
    std::unique_ptr<RecordStore> store;
    std::optional<Record> record;
    // Opening would make an empty database, and a typing mistake in the folder would go unnoticed.
    if (QFileInfo(path).isFile()) {
        OpenReport report;
        store = SqliteStore::open(path, &report);
        if (!store) {
            *error = report.error;
            return false;
        }
        record = findIn(*store, which);
    } else if (server.isEmpty()) {
        *error = texts.noDatabase.arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!record && !server.isEmpty()) {
        auto plant = std::make_unique<PostgresStore>(server);
        QString reason;
        if (!plant->open(&reason)) {
            *error = texts.noRecordServer.arg(which, reason);
            return false;
        }
        store = std::move(plant);
        record = findIn(*store, which);
    }
    if (!record) {
        *error = last ? texts.noRecords : texts.noRecord.arg(which);
        return false;
    }
    ProtocolTexts withConfig = texts;
    applyConfig(withConfig, configIn(QDir(folder)), *record);
    return writeProtocolPdf(file, *record, protocolTrend(*store, *record), withConfig, error);
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
