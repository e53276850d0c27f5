#include "graph/DataLog.h"

#include "Controls.h"
#include "ProgramState.h"
#include "Views.h"
#include "graph/Journal.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace {
constexpr std::size_t ChunkBytes = 1 << 20;
}

DataLog::DataLog(QPlainTextEdit* view, const Sources& sources, Journal& journal)
    : view_(view), sources_(sources), journal_(journal) {
    view_->installEventFilter(this);
    trackEdits();
}

void DataLog::trackEdits() {
    // Only what the user types counts as an edit: the program's own appends must never make a stale box
    // replace the log.
    connect(view_->document(), &QTextDocument::contentsChanged, this, [this] {
        if (!ownChange_)
            userEdited_ = true;
    });
}

QString DataLog::buildLine(const QStringList& fields, const QString& delimiter) {
    QString line = fields.join(delimiter);
    for (QChar& c : line)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return line;
}

QStringList DataLog::headerFields(const Language& language) const {
    const ValueView& values = sources_.values;
    const MachineInfo& machine = sources_.machine;
    QStringList fields{language.text(lang::UnitColumn)};
    for (const PositionDisplays& position : values.positions)
        fields << position.channelLabel->text();
    for (const PositionDisplays& position : values.positions)
        fields << position.sensorLabels[0]->text() << position.sensorLabels[1]->text();
    fields << language.text(lang::MainValueColumn) << values.totalKNLabel->text()
           << values.totalTonsLabel->text() << machine.machineLabel->text() << machine.serialNrLabel->text()
           << machine.commentLabel->text() << language.text(lang::TimeWord) << language.text(lang::DateWord);
    return fields;
}

QStringList DataLog::rowFields() const {
    const CycleSnapshot& cycle = sources_.state.cycleSnapshot;
    const UnitIndicators& units = sources_.values.units;
    const std::int32_t unit = cycle.unit;
    // Another unit code names no unit: the field stays empty.
    QStringList fields{unit == 1   ? units.microStrain->text()
                       : unit == 2 ? units.kiloNewton->text()
                       : unit == 3 ? units.tons->text()
                                   : QString()};
    for (int entry = Reading::FirstChannel; entry < Reading::FirstChannel + 4; ++entry)
        fields << cycle.texts[entry];
    for (int entry = Reading::FirstSensor; entry < Reading::FirstChannel; ++entry)
        fields << cycle.texts[entry];
    fields << cycle.texts[Reading::MainValue] << cycle.texts[Reading::TotalKN]
           << cycle.texts[Reading::TotalTons] << sources_.machine.machine->text()
           << sources_.machine.serialNr->text() << sources_.machine.comment->text()
           << sources_.clock.time->text() << sources_.clock.date->text();
    return fields;
}

QStringList DataLog::lines() const {
    QStringList result{header_};
    for (const std::string& chunk : chunks_) {
        QStringList rows = QString::fromStdString(chunk).split(QLatin1Char('\n'));
        rows.removeLast();
        result += rows;
    }
    return result;
}

std::vector<std::string_view> DataLog::rowsFrom(qsizetype first) const {
    std::vector<std::string_view> pieces;
    for (std::size_t c = 0; c < chunks_.size(); ++c) {
        const qsizetype chunkEnd = c + 1 < chunks_.size() ? chunkFirstRow_[c + 1] : rowCount_;
        if (chunkEnd <= first)
            continue;
        std::string_view chunk = chunks_[c];
        for (qsizetype row = chunkFirstRow_[c]; row < first; ++row)
            chunk.remove_prefix(chunk.find('\n') + 1);
        pieces.push_back(chunk);
    }
    return pieces;
}

qsizetype DataLog::rowsSentTo(const QString& canonicalPath, qint64 fileSize) const {
    const auto mark = sent_.find(canonicalPath);
    return mark != sent_.end() && fileSize >= mark->second.fileSize ? mark->second.rows : 0;
}

void DataLog::markSent(const QString& canonicalPath, qint64 fileSize) {
    sent_[canonicalPath] = {rowCount_, fileSize};
    savedRows_ = rowCount_;
}

void DataLog::forgetSaves() {
    sent_.clear();
    savedRows_ = 0;
}

void DataLog::store(const QString& row) {
    const QByteArray bytes = row.toUtf8();
    if (chunks_.empty() || chunks_.back().size() + std::size_t(bytes.size()) + 1 > ChunkBytes) {
        chunks_.emplace_back();
        chunks_.back().reserve(ChunkBytes);
        chunkFirstRow_.push_back(rowCount_);
    }
    chunks_.back().append(bytes.constData(), std::size_t(bytes.size()));
    chunks_.back().push_back('\n');
    ++rowCount_;
}

void DataLog::addRow(const QString& row) {
    store(row);
    // A box that is not up to date gets everything when it is shown, not a row now and then.
    if (!view_->isHidden() && viewInSync_) {
        ownChange_ = true;
        view_->appendPlainText(row);
        ownChange_ = false;
    } else {
        viewInSync_ = false;
    }
}

void DataLog::appendRow() {
    // What the user changed in the box goes to the journal before the row does: a crash must bring back
    // the rows the box showed, not those the user had removed.
    takeBackEdits();
    // The header names the units of the rows under it: the amplifier reports its unit some time after the
    // log was emptied, and the sensor captions change with it. Made anew until it has a row under it.
    if (rowCount_ == 0)
        rebuildHeader(sources_.language);
    const QString row = buildLine(rowFields(), sources_.delimiter->text());
    addRow(row);
    journal_.append(row.toUtf8());
}

void DataLog::restoreRows(const QStringList& rows) {
    for (const QString& row : rows)
        addRow(row);
}

void DataLog::clear() {
    chunks_ = {};
    chunkFirstRow_ = {};
    rowCount_ = 0;
    forgetSaves();
    header_ = buildLine(headerFields(sources_.language), sources_.delimiter->text());
    journal_.clear();
    if (!view_->isHidden())
        showAll();
    else
        viewInSync_ = false;
}

void DataLog::takeBackEdits() {
    if (!view_->isHidden())
        absorbEdits();
}

void DataLog::absorbEdits() {
    if (!userEdited_ || !viewInSync_)
        return;
    const QStringList edited = controls::lines(view_);
    chunks_ = {};
    chunkFirstRow_ = {};
    rowCount_ = 0;
    forgetSaves(); // the log is no longer what was saved
    header_ = edited.value(0);
    QByteArray all;
    for (qsizetype i = 1; i < edited.size(); ++i) {
        store(edited[i]);
        all += edited[i].toUtf8() + '\n';
    }
    journal_.rewrite(all);
    userEdited_ = false;
}

std::size_t DataLog::memoryBytes() const {
    std::size_t bytes = chunks_.capacity() * sizeof(std::string);
    for (const std::string& chunk : chunks_)
        bytes += chunk.capacity();
    return bytes;
}

void DataLog::applyLanguage(const Language& language) { rebuildHeader(language); }

void DataLog::rebuildHeader(const Language& language) {
    header_ = buildLine(headerFields(language), sources_.delimiter->text());
    if (!view_->isHidden() && viewInSync_) {
        ownChange_ = true;
        controls::setLine(view_, 0, header_);
        ownChange_ = false;
    } else {
        viewInSync_ = false;
    }
}

void DataLog::showAll() {
    ownChange_ = true;
    controls::setLines(view_, lines());
    ownChange_ = false;
    userEdited_ = false;
    viewInSync_ = true;
}

bool DataLog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        // Shown (debug mode, or its page): the rows logged meanwhile; hidden by the program: the user's
        // edits are kept.
        if (event->type() == QEvent::Show && !viewInSync_)
            showAll();
        else if (event->type() == QEvent::HideToParent)
            absorbEdits();
    }
    return QObject::eventFilter(watched, event);
}
