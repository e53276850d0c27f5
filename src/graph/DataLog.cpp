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

namespace {
constexpr std::size_t ChunkBytes = 1 << 20;
}

DataLog::DataLog(QPlainTextEdit* view, const Sources& sources, Journal& journal)
    : view_(view), sources_(sources), journal_(journal) {
    view_->installEventFilter(this);
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
    const ProgramState& state = sources_.state;
    const UnitIndicators& units = sources_.values.units;
    const std::int32_t unit = state.deviceUnit;
    // Another unit code names no unit: the field stays empty.
    QStringList fields{unit == 1   ? units.microStrain->text()
                       : unit == 2 ? units.kiloNewton->text()
                       : unit == 3 ? units.tons->text()
                                   : QString()};
    for (int entry = Reading::FirstChannel; entry < Reading::FirstChannel + 4; ++entry)
        fields << state.readingText[entry];
    for (int entry = Reading::FirstSensor; entry < Reading::FirstChannel; ++entry)
        fields << state.readingText[entry];
    fields << state.readingText[Reading::MainValue] << state.readingText[Reading::TotalKN]
           << state.readingText[Reading::TotalTons] << sources_.machine.machine->text()
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

void DataLog::store(const QString& row) {
    const QByteArray bytes = row.toUtf8();
    if (chunks_.empty() || chunks_.back().size() + std::size_t(bytes.size()) + 1 > ChunkBytes) {
        chunks_.emplace_back();
        chunks_.back().reserve(ChunkBytes);
    }
    chunks_.back().append(bytes.constData(), std::size_t(bytes.size()));
    chunks_.back().push_back('\n');
    ++rowCount_;
}

void DataLog::addRow(const QString& row) {
    store(row);
    if (!view_->isHidden())
        view_->appendPlainText(row);
    else
        viewInSync_ = false;
}

void DataLog::appendRow() {
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
    rowCount_ = 0;
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
    if (!view_->document()->isModified())
        return;
    const QStringList edited = controls::lines(view_);
    chunks_ = {};
    rowCount_ = 0;
    header_ = edited.value(0);
    QByteArray all;
    for (qsizetype i = 1; i < edited.size(); ++i) {
        store(edited[i]);
        all += edited[i].toUtf8() + '\n';
    }
    journal_.rewrite(all);
    view_->document()->setModified(false);
}

std::size_t DataLog::memoryBytes() const {
    std::size_t bytes = chunks_.capacity() * sizeof(std::string);
    for (const std::string& chunk : chunks_)
        bytes += chunk.capacity();
    return bytes;
}

void DataLog::applyLanguage(const Language& language) {
    header_ = buildLine(headerFields(language), sources_.delimiter->text());
    if (!view_->isHidden())
        controls::setLine(view_, 0, header_);
    else
        viewInSync_ = false;
}

void DataLog::showAll() {
    controls::setLines(view_, lines());
    view_->document()->setModified(false);
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
