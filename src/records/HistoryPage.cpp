#include "records/HistoryPage.h"

#include "records/HistoryTrend.h"
#include "records/RecordText.h"
#include "records/RecordsConfig.h"
#include "records/RecordsModel.h"
#include "records/RecordsReader.h"
#include "records/SqliteStore.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

namespace records {

namespace {
QStringList split(const QString& texts) { return texts.split(QLatin1Char('|')); }

QString loginName() {
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("USERNAME") : user;
}

// A name for the file from the machine and the time, without characters a file system refuses.
QString fileStem(const Record& record) {
    QString machine = cutText(record.machine, 40);
    for (QChar& c : machine)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    return machine + localTime(record).toString(QStringLiteral("_yyyy-MM-dd_HHmm"));
}

QString withSuffix(const QString& path, const QString& suffix) {
    return path.endsWith(suffix, Qt::CaseInsensitive) ? path : path + suffix;
}
} // namespace

HistoryPage::HistoryPage(const HistoryView& view, SqliteStore& store, Dialogs& dialogs,
                         const Language& language)
    : view_(view), store_(store), dialogs_(dialogs), language_(language),
      model_(new RecordsModel(store.path(), view.records)),
      trend_(std::make_unique<HistoryTrend>(view.chart)), status_(new QLabel(view.search)),
      author_(loginName) {
    QTableView* table = view_.records;
    table->setModel(model_);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideRight);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(22);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setStretchLastSection(true);
    // Everything up to the tolerance mark fits the page's width; the note takes what is left, or scrolls.
    const int widths[] = {112, 100, 120, 92, 100, 76, 76, 76, 76, 90, 74};
    table->horizontalHeader()->setMinimumSectionSize(24);
    for (int column = 0; column < static_cast<int>(std::size(widths)); ++column)
        table->setColumnWidth(column, widths[column]);

    exportDialog_.filter = QStringLiteral("CSV (*.csv)|*.CSV");
    protocolDialog_.filter = QStringLiteral("PDF (*.pdf)|*.PDF");
    searchDelay_.setSingleShot(true);
    searchDelay_.setInterval(SearchDelayMs);
    connect(&searchDelay_, &QTimer::timeout, this, &HistoryPage::applyFilter);
    connect(view_.search, &QLineEdit::textChanged, &searchDelay_, qOverload<>(&QTimer::start));
    connect(view_.machine, &QComboBox::activated, this, &HistoryPage::applyFilter);
    // A mouse click moves the current row before it selects it: the row counts once it is selected.
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        showTrend();
        updateButtons();
    });
    connect(view_.tabs, &QTabWidget::currentChanged, this, &HistoryPage::onPageChanged);
    connect(view_.exportCsv, &QAbstractButton::clicked, this, &HistoryPage::exportRecords);
    connect(view_.note, &QAbstractButton::clicked, this, &HistoryPage::addNote);
    connect(view_.protocol, &QAbstractButton::clicked, this, &HistoryPage::writeProtocol);
    connect(view_.nominal, &QAbstractSpinBox::editingFinished, this, &HistoryPage::keepNominal);
    view_.machine->addItem(QString(), QString());

    QFont small = status_->font();
    small.setPixelSize(11);
    status_->setFont(small);
    status_->setForegroundRole(QPalette::PlaceholderText);
    status_->setAttribute(Qt::WA_TransparentForMouseEvents);
    status_->hide();
    view_.search->installEventFilter(this);
    connect(model_, &RecordsModel::stateChanged, this, [this] {
        showStatus();
        updateButtons();
    });
    // The trend follows the newest row while none is chosen; the rows come some time after the filter.
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) {
        if (first == 0)
            onRowsShown();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &HistoryPage::onRowsShown);
    connect(&model_->reader(), &RecordsReader::exported, this, &HistoryPage::onExported);
    connect(&model_->reader(), &RecordsReader::trendRead, this, &HistoryPage::onTrendRead);
    updateButtons();
}

HistoryPage::~HistoryPage() = default;

void HistoryPage::setProtocolWriter(ProtocolWriter writer) {
    protocolWriter_ = std::move(writer);
    updateButtons();
}

void HistoryPage::applyLanguage(const Language& language) {
    view_.tabs->setTabText(view_.tabs->indexOf(view_.page), language.own(OwnText::PageHistory));
    view_.machine->setItemText(0, language.own(OwnText::AllMachines));
    view_.search->setPlaceholderText(language.own(OwnText::SearchRecords));
    view_.protocol->setText(language.own(OwnText::ProtocolOfRecord));
    view_.note->setText(language.own(OwnText::AddNote));
    view_.nominalLabel->setText(language.own(OwnText::NominalForce));
    view_.nominal->setToolTip(language.own(OwnText::NominalForceTip));
    view_.nominalLabel->setToolTip(view_.nominal->toolTip());
    model_->setTexts(split(language.own(OwnText::HistoryColumns)), language.own(OwnText::WithinTolerance),
                     language.own(OwnText::OutsideTolerance), shownTimeFormat(language.code()));
    QStringList names;
    for (int channel = 1; channel <= 4; ++channel)
        names << language.text(lang::ChannelWord) + QString::number(channel);
    names << language.own(OwnText::DeviationPercent) << language.own(OwnText::TrendOffScale);
    trend_->setTexts(names, language.own(OwnText::TrendChannelsNotShown), shownTimeFormat(language.code()));
    showStatus();
    updateButtons();
}

bool HistoryPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_.search && event->type() == QEvent::Resize)
        showStatus();
    return QObject::eventFilter(watched, event);
}

QString HistoryPage::statusText() const {
    if (model_->total() >= 0)
        return language_.own(OwnText::HistoryCount).arg(model_->total());
    return model_->reading() ? language_.own(OwnText::HistorySearching) : QString();
}

void HistoryPage::showStatus() {
    const QString text = statusText();
    status_->setText(text);
    status_->adjustSize();
    // Left of the clear button, with the typed text kept clear of it.
    const int right = text.isEmpty() ? 0 : status_->width() + 8;
    const int clearButton = view_.search->height();
    status_->move(view_.search->width() - clearButton - status_->width() - 2,
                  (view_.search->height() - status_->height()) / 2);
    view_.search->setTextMargins(0, 0, right, 0);
    status_->setVisible(!text.isEmpty());
}

void HistoryPage::onRowsShown() {
    if (!selectedRecord() && model_->filter().machine.isEmpty())
        showTrend(); // all machines: the trend of the newest row's
    updateButtons();
}

void HistoryPage::onPageChanged() {
    if (stale_ && view_.tabs->currentWidget() == view_.page)
        reload();
}

void HistoryPage::recordsChanged() {
    if (view_.tabs->currentWidget() != view_.page) {
        stale_ = true;
        return;
    }
    fillMachines();
    model_->refresh(); // the chosen row stays chosen, wherever the new records come in
    forgetTrend();
    showTrend();
    updateButtons();
}

void HistoryPage::reload() {
    stale_ = false;
    forgetTrend();
    fillMachines();
    applyFilter();
}

void HistoryPage::fillMachines() {
    QComboBox* combo = view_.machine;
    const QString chosen = combo->currentData().toString();
    const QStringList machines = store_.machines();
    while (combo->count() > 1)
        combo->removeItem(1);
    for (const QString& machine : machines) {
        combo->addItem(cutText(machine, 40), machine);
        combo->setItemData(combo->count() - 1, machine, Qt::ToolTipRole);
    }
    const int index = combo->findData(chosen);
    combo->setCurrentIndex(std::max(index, 0));
}

void HistoryPage::applyFilter() {
    searchDelay_.stop();
    stale_ = false;
    model_->setFilter({view_.machine->currentData().toString(), view_.search->text().trimmed()});
    showNominal();
    showTrend();
    updateButtons();
}

void HistoryPage::setConfigFile(const QString& path) {
    configPath_ = path;
    showNominal();
}

void HistoryPage::showNominal() {
    const QString machine = view_.machine->currentData().toString().trimmed();
    const bool chosen = view_.machine->currentIndex() > 0 && !configPath_.isEmpty();
    const QSignalBlocker quiet(view_.nominal);
    view_.nominal->setValue(chosen ? qRound(readRecordsConfig(configPath_).nominalKn.value(machine)) : 0);
    view_.nominal->setEnabled(chosen);
}

void HistoryPage::keepNominal() {
    if (view_.machine->currentIndex() <= 0 || configPath_.isEmpty())
        return;
    const QString machine = view_.machine->currentData().toString();
    QFile current(configPath_);
    const QByteArray bytes = current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray();
    current.close();
    const int kiloNewtons = view_.nominal->value();
    const QByteArray changed =
        withNominal(bytes, machine, kiloNewtons > 0 ? std::optional<double>(kiloNewtons) : std::nullopt);
    if (changed == bytes)
        return;
    QSaveFile file(configPath_);
    if (!file.open(QIODevice::WriteOnly) || file.write(changed) != changed.size() || !file.commit())
        dialogs_.showError(language_.own(OwnText::FileNotWritten).arg(configPath_, file.errorString()));
}

std::optional<Record> HistoryPage::selectedRecord() const {
    const QModelIndex current = view_.records->selectionModel()->currentIndex();
    if (!current.isValid() || !view_.records->selectionModel()->isRowSelected(current.row()))
        return std::nullopt;
    return model_->record(current.row());
}

void HistoryPage::showTrend() {
    const std::optional<Record> selected = selectedRecord();
    QString machine = selected ? selected->machine : model_->filter().machine;
    if (!selected && machine.isEmpty() && model_->rowCount() > 0)
        machine = model_->record(0).machine; // all machines: the one checked last
    if (machine.isEmpty() && model_->rowCount() == 0) {
        trend_->clear();
        return;
    }
    if (shownTrend_ && shownTrend_->machine == machine) {
        trend_->show(shownTrend_->records, selected ? selected->id : QString());
        return;
    }
    // Off the window's thread: ten thousand records of a machine among a million take a fifth of a second.
    if (trendPending_ && wantedTrend_ == machine)
        return;
    trendPending_ = true;
    wantedTrend_ = machine;
    model_->reader().trend(++trendTicket_, machine, TrendLimit);
}

void HistoryPage::onTrendRead(quint64 ticket, const QList<Record>& records) {
    if (ticket != trendTicket_)
        return;
    trendPending_ = false;
    shownTrend_ = {wantedTrend_, records};
    showTrend();
}

void HistoryPage::forgetTrend() {
    shownTrend_.reset();
    trendPending_ = false;
}

void HistoryPage::updateButtons() {
    const bool chosen = selectedRecord().has_value();
    view_.protocol->setEnabled(chosen && protocolWriter_ != nullptr);
    view_.note->setEnabled(chosen && !store_.readOnly());
    const bool exporting = model_->reader().exporting();
    view_.exportCsv->setEnabled(!exporting && model_->rowCount() > 0);
    view_.exportCsv->setText(language_.own(exporting ? OwnText::HistoryExporting : OwnText::ExportRecords));
}

void HistoryPage::exportRecords() {
    const Filter filter = model_->filter();
    if (!dialogs_.runSaveDialog(exportDialog_))
        return;
    const QString path = withSuffix(exportDialog_.fileName, QStringLiteral(".csv"));
    QString delimiter = view_.csvDelimiter->text();
    if (delimiter.isEmpty())
        delimiter = QStringLiteral(";");
    const QStringList header =
        split(language_.own(OwnText::HistoryColumns)) + split(language_.own(OwnText::CsvColumns));
    // On a thread of its own: the user goes on working and hears of it when it is written.
    const QStringList verdicts{language_.own(OwnText::ProtocolPass), language_.own(OwnText::ProtocolFail),
                               language_.own(OwnText::ProtocolNoVerdict)};
    model_->reader().exportCsv(path, filter, header, verdicts, delimiter);
    updateButtons();
}

void HistoryPage::onExported(const QString& path, int written, const QString& error) {
    updateButtons();
    if (!error.isEmpty())
        dialogs_.showError(language_.own(OwnText::FileNotWritten).arg(path, error));
    else
        dialogs_.inform(language_.own(OwnText::RowsWritten).arg(written).arg(path));
}

void HistoryPage::addNote() {
    const std::optional<Record> record = selectedRecord();
    if (!record) {
        dialogs_.inform(language_.own(OwnText::ChooseRecord));
        return;
    }
    QString text;
    const QString question =
        language_.own(OwnText::NoteQuestion)
            .arg(cutText(record->machine, 40), shownTime(*record, shownTimeFormat(language_.code())));
    if (!dialogs_.askText(question, text) || text.trimmed().isEmpty())
        return;
    QString error;
    if (!store_.addNote(record->id, author_(), text, &error)) {
        dialogs_.showError(language_.own(OwnText::NoteNotAdded).arg(error));
        return;
    }
    emit noteAdded();
    model_->refresh();
}

void HistoryPage::writeProtocol() {
    const std::optional<Record> record = selectedRecord();
    if (!record || !protocolWriter_) {
        dialogs_.inform(language_.own(OwnText::ChooseRecord));
        return;
    }
    protocolDialog_.fileName = fileStem(*record) + QStringLiteral(".pdf");
    if (!dialogs_.runSaveDialog(protocolDialog_))
        return;
    const QString path = withSuffix(protocolDialog_.fileName, QStringLiteral(".pdf"));
    QString error;
    if (!protocolWriter_(*record, path, &error)) {
        dialogs_.showError(error);
        return;
    }
    dialogs_.inform(language_.own(OwnText::ProtocolWritten).arg(path));
}

} // namespace records
