#include "records/Protocol.h"
#include "records/RecordText.h"

#include "Resources.h"
#include "records/RecordStore.h"
#include "records/RecordsConfig.h"
#include "settings/OwnTexts.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace records {

ProtocolTexts protocolTexts(const QString& languageCode) {
    const auto own = [&](OwnText text) { return ownText(text, languageCode); };
    ProtocolTexts t;
    t.title = own(OwnText::ProtocolTitle);
    t.machine = own(OwnText::ProtocolMachine);
    t.serialNr = own(OwnText::ProtocolSerialNr);
    t.comment = own(OwnText::ProtocolComment);
    t.operatorName = own(OwnText::ProtocolOperator);
    t.takenAt = own(OwnText::ProtocolTakenAt);
    t.amplifier = own(OwnText::ProtocolAmplifier);
    t.port = own(OwnText::ProtocolPort);
    t.program = own(OwnText::ProtocolProgram);
    t.host = own(OwnText::ProtocolHost);
    t.measurement = own(OwnText::ProtocolMeasurement);
    t.tieBar = own(OwnText::ProtocolTieBar);
    t.mainValue = own(OwnText::ProtocolMainValue);
    t.totalForce = own(OwnText::ProtocolTotalForce);
    t.deviation = own(OwnText::ProtocolDeviation);
    t.tolerance = own(OwnText::ProtocolTolerance);
    t.result = own(OwnText::ProtocolResult);
    t.pass = own(OwnText::ProtocolPass);
    t.fail = own(OwnText::ProtocolFail);
    t.noVerdict = own(OwnText::ProtocolNoVerdict);
    t.within = own(OwnText::ProtocolWithin);
    t.beyond = own(OwnText::ProtocolBeyond);
    t.noDeviation = own(OwnText::ProtocolNoDeviation);
    t.noTolerance = own(OwnText::ProtocolNoTolerance);
    t.parameters = own(OwnText::ProtocolParameters);
    t.kFactor = own(OwnText::ProtocolKFactor);
    t.eModulus = own(OwnText::ProtocolEModulus);
    t.barDiameter = own(OwnText::ProtocolBarDiameter);
    t.unit = own(OwnText::ProtocolUnit);
    t.trend = own(OwnText::ProtocolTrend);
    t.trendOne = own(OwnText::ProtocolTrendOne);
    t.sensors = own(OwnText::ProtocolSensors);
    t.zeroed = own(OwnText::ProtocolZeroed);
    t.notZeroed = own(OwnText::ProtocolNotZeroed);
    t.zeroUnknown = own(OwnText::ProtocolZeroUnknown);
    t.deviationDefined = own(OwnText::ProtocolDeviationDefined);
    t.checker = own(OwnText::ProtocolChecker);
    t.page = own(OwnText::ProtocolPage);
    t.offScale = own(OwnText::TrendOffScale);
    t.ofNominal = own(OwnText::ProtocolOfNominal);
    t.channelsNotShown = own(OwnText::TrendChannelsNotShown);
    t.note = own(OwnText::ProtocolNote);
    t.recordId = own(OwnText::ProtocolRecordId);
    t.inspector = own(OwnText::ProtocolInspector);
    t.approval = own(OwnText::ProtocolApproval);
    t.notWritten = own(OwnText::ProtocolNotWritten);
    t.cannotPrint = own(OwnText::ProtocolCannotPrint);
    t.noDatabase = own(OwnText::ProtocolNoDatabase);
    t.noRecords = own(OwnText::ProtocolNoRecords);
    t.noRecord = own(OwnText::ProtocolNoRecord);
    t.noRecordServer = own(OwnText::ProtocolServerUnusable);
    // Day before month, as the program's clock shows it; English gets ISO dates, which no reader misreads.
    if (languageCode == QLatin1String("DE")) {
        t.locale = QLocale(QLocale::German, QLocale::Germany);
        t.dateTimeFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
    } else if (languageCode == QLatin1String("IT")) {
        t.locale = QLocale(QLocale::Italian, QLocale::Italy);
        t.dateTimeFormat = QStringLiteral("dd/MM/yyyy HH:mm:ss");
    } else {
        t.locale = QLocale(QLocale::English, QLocale::UnitedKingdom);
        t.dateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    }
    // "1.234" would read as one point two in English and as a thousand in German.
    t.locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return t;
}

void applyConfig(ProtocolTexts& texts, const RecordsConfig& config, const Record& record) {
    if (!config.form.isEmpty())
        texts.form = config.form;
    const auto nominal = config.nominalKn.constFind(record.machine.trimmed());
    if (nominal != config.nominalKn.cend())
        texts.nominalKn = *nominal;
}

QList<Record> protocolTrend(RecordStore& store, const Record& record, int limit) {
    constexpr int Chunk = 200;
    Filter filter;
    filter.machine = record.machine;
    QList<Record> newestFirst;
    bool reached = false;
    for (PageKey after; newestFirst.size() < limit;) {
        const Page chunk = store.page(filter, after, Chunk);
        for (const Record& r : chunk.records) {
            // An empty machine name selects every machine; the trend is of one machine all the same.
            if (r.machine != record.machine)
                continue;
            reached = reached || r.id == record.id;
            if (reached && newestFirst.size() < limit)
                newestFirst.append(r);
        }
        if (chunk.end || chunk.records.isEmpty())
            break;
        after = chunk.next;
    }
    if (!reached)
        return {record};
    std::reverse(newestFirst.begin(), newestFirst.end());
    return newestFirst;
}

namespace {

// The page is laid out in tenths of a millimetre on A4.
constexpr double PageWidth = 2100;
constexpr double PageHeight = 2970;
constexpr double Margin = 180;
constexpr double ContentWidth = PageWidth - 2 * Margin;
constexpr double RightEdge = PageWidth - Margin;

const QColor Ink(0x1a, 0x1a, 0x1a);
const QColor Muted(0x5c, 0x63, 0x6e);
const QColor Accent(0x1f, 0x3a, 0x5f);
const QColor Tint(0xee, 0xf2, 0xf6);
const QColor RuleColour(0xc3, 0xc9, 0xd1);
const QColor PassColour(0x1b, 0x6e, 0x2a);
const QColor FailColour(0xb3, 0x1b, 0x1b);
const QColor BandColour(0xd9, 0xee, 0xdb);
// Told apart on a grey printout by their markers as well.
const QColor ChannelColours[4] = {QColor(0x15, 0x65, 0xc0), QColor(0xe0, 0x6a, 0x00),
                                  QColor(0x6a, 0x1b, 0x9a), QColor(0x00, 0x83, 0x8f)};

QFont font(int size, bool bold = false) {
    QFont f;
    f.setFamilies(
        {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    f.setStyleHint(QFont::SansSerif);
    // Hinting would make widths depend on the device's resolution, so text measured here could overflow.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPixelSize(size);
    f.setBold(bold);
    return f;
}

const QString Dash = QStringLiteral("\u2014");

double textWidth(const QFont& f, const QString& text) { return QFontMetricsF(f).horizontalAdvance(text); }

// One line, cut with an ellipsis where it would leave the rectangle; line breaks become spaces.
void line(QPainter& p, const QRectF& r, const QString& text, const QFont& f, const QColor& c,
          int align = Qt::AlignLeft | Qt::AlignVCenter) {
    const QString flat = text.left(1000).simplified();
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, align | Qt::TextSingleLine, QFontMetricsF(f).elidedText(flat, Qt::ElideRight, r.width()));
}

// As many wrapped lines as fit into the rectangle (at most maxLines); the last one shown ends with an
// ellipsis when text is left over. Only the start of a long text is laid out: the rest cannot show anyway.
void paragraph(QPainter& p, const QRectF& r, const QString& text, const QFont& f, const QColor& c,
               int maxLines) {
    QString t = text.left(maxLines * 400);
    const bool cut = t.size() < text.size();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    const QFontMetricsF metrics(f);
    const int lines = std::min<int>(maxLines, static_cast<int>(r.height() / metrics.lineSpacing()));
    QTextLayout layout(t, f);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QList<QTextLine> made;
    while (made.size() <= lines) {
        QTextLine l = layout.createLine();
        if (!l.isValid())
            break;
        l.setLineWidth(r.width());
        made.append(l);
    }
    layout.endLayout();
    p.setFont(f);
    p.setPen(c);
    for (int i = 0; i < std::min<int>(lines, made.size()); ++i) {
        const bool last = i == lines - 1 && (made.size() > lines || cut);
        QString shown = last ? t.mid(made[i].textStart()) : t.mid(made[i].textStart(), made[i].textLength());
        shown.replace(QChar::LineSeparator, QLatin1Char(' '));
        if (last)
            shown = metrics.elidedText(shown + (cut ? QStringLiteral("\u2026") : QString()), Qt::ElideRight,
                                       r.width());
        p.drawText(QPointF(r.left(), r.top() + i * metrics.lineSpacing() + metrics.ascent()), shown);
    }
}

// The largest size up to `size` at which the text fits the width.
QFont fitted(const QString& text, double width, int size, bool bold) {
    QFont f = font(size, bold);
    while (size > 12 && textWidth(f, text) > width)
        f = font(--size, bold);
    return f;
}

QString number(const ProtocolTexts& t, double value, int decimals = -1) {
    if (decimals >= 0)
        return t.locale.toString(value, 'f', decimals);
    // As the display showed it: whole numbers stay whole, fractions keep at most two places.
    QString s = t.locale.toString(value, 'f', 2);
    const QChar point = t.locale.decimalPoint().at(0);
    while (s.contains(point) && (s.endsWith(QLatin1Char('0')) || s.endsWith(point)))
        s.chop(1);
    return s;
}

QString shown(const ProtocolTexts& t, const Number& value, int decimals = -1) {
    return value ? number(t, *value, decimals) : Dash;
}

QString deviationShown(const ProtocolTexts& t, const Number& deviation) {
    return overRange(deviation) ? QStringLiteral("> 99") : shown(t, deviation);
}

// A time of the record (when it was taken, unless another is given) on the clock of where it was taken.
QString localTime(const ProtocolTexts& t, const Record& r, const QDateTime& time = {}) {
    const QDateTime utc = time.isValid() ? time : r.takenAt;
    if (!utc.isValid())
        return Dash;
    const QDateTime local = utc.toUTC().addSecs(qint64(r.utcOffsetMin) * 60);
    const int offset = std::abs(r.utcOffsetMin);
    const QString zone = QStringLiteral("UTC%1%2:%3")
                             .arg(r.utcOffsetMin < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(offset / 60, 2, 10, QLatin1Char('0'))
                             .arg(offset % 60, 2, 10, QLatin1Char('0'));
    return local.toString(t.dateTimeFormat) + QStringLiteral("  (") + zone + QLatin1Char(')');
}

// A value in bold with its unit after it on the same baseline, aligned as asked within the rectangle. A
// missing value is a dash without a unit.
void valueWithUnit(QPainter& p, const QRectF& r, const QString& value, const QString& unit, int size,
                   Qt::Alignment align) {
    const QFont unitFont = font(size * 2 / 3);
    const QString shownUnit =
        value == Dash ? QString()
                      : QFontMetricsF(unitFont).elidedText(unit.simplified(), Qt::ElideRight, r.width() / 2);
    const double gap = shownUnit.isEmpty() ? 0 : size / 4.0;
    const double unitWidth = textWidth(unitFont, shownUnit);
    const QFont valueFont = fitted(value, r.width() - unitWidth - gap, size, true);
    const QString shownValue =
        QFontMetricsF(valueFont).elidedText(value, Qt::ElideRight, r.width() - unitWidth - gap);
    const double valueWidth = textWidth(valueFont, shownValue);
    const double total = valueWidth + gap + unitWidth;
    double left = r.left();
    if (align & Qt::AlignHCenter)
        left = r.center().x() - total / 2;
    else if (align & Qt::AlignRight)
        left = r.right() - total;
    const QFontMetricsF metrics(valueFont);
    const double baseline = r.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    p.setFont(valueFont);
    p.setPen(Ink);
    p.drawText(QPointF(left, baseline), shownValue);
    p.setFont(unitFont);
    p.setPen(Muted);
    p.drawText(QPointF(left + valueWidth + gap, baseline), shownUnit);
}

void section(QPainter& p, double y, const QString& title) {
    line(p, QRectF(Margin, y, ContentWidth, 50), title, font(36, true), Accent);
    p.fillRect(QRectF(Margin, y + 54, ContentWidth, 3), Accent);
}

void header(QPainter& p, const ProtocolTexts& t) {
    ensureResources();
    const QImage logo(QStringLiteral(":/pictures/logo.png"));
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(Margin, 150, 480, 120), logo);
    line(p, QRectF(Margin + 520, 150, ContentWidth - 520, 120), t.title,
         fitted(t.title, ContentWidth - 520, 66, true), Accent, Qt::AlignRight | Qt::AlignVCenter);
    p.fillRect(QRectF(Margin, 300, ContentWidth, 8), Accent);
}

// The two columns of who, where and when, then the comment.
void details(QPainter& p, const Record& r, const ProtocolTexts& t) {
    const QString rows[4][4] = {{t.machine, r.machine, t.amplifier, r.amplifier},
                                {t.serialNr, r.serialNr, t.port, r.port},
                                {t.operatorName, r.operatorName, t.program, r.program},
                                {t.takenAt, localTime(t, r), t.host, r.host}};
    const QFont label = font(28);
    const QFont value = font(33, true);
    constexpr double Row = 62;
    constexpr double Top = 335;
    constexpr double Split = Margin + 1000;
    for (int i = 0; i < 4; ++i) {
        const double y = Top + i * Row;
        line(p, QRectF(Margin, y, 290, Row), rows[i][0], label, Muted);
        const QRectF valueBox(Margin + 300, y, Split - Margin - 340, Row);
        // A long machine name is what identifies the machine: two smaller lines rather than a cut one.
        if (i == 0 && textWidth(value, rows[i][1].simplified()) > valueBox.width())
            paragraph(p, valueBox.adjusted(0, 2, 0, 0), rows[i][1].simplified(), font(24, true), Ink, 2);
        else
            line(p, valueBox, rows[i][1], value, Ink);
        line(p, QRectF(Split, y, 260, Row), rows[i][2], label, Muted);
        line(p, QRectF(Split + 270, y, RightEdge - Split - 270, Row), rows[i][3], value, Ink);
        p.fillRect(QRectF(Margin, y + Row - 2, ContentWidth, 2), RuleColour);
    }
    const double y = Top + 4 * Row;
    line(p, QRectF(Margin, y, 290, Row), t.comment, label, Muted);
    paragraph(p, QRectF(Margin + 300, y + 14, ContentWidth - 300, 132), r.comment, font(30), Ink, 3);
    p.fillRect(QRectF(Margin, y + 150, ContentWidth, 2), RuleColour);
}

// The machine seen from the front: the platen with the four tie bars in their corners, channel n in the
// display's default corner n, each with its value, and the average in the middle.
void tieBars(QPainter& p, const QRectF& area, const Record& r, const ProtocolTexts& t) {
    const QRectF platen = area.adjusted(90, 100, -90, -100);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Accent, 5));
    p.setBrush(Tint);
    p.drawRoundedRect(platen, 30, 30);
    constexpr double Inset = 85;
    constexpr double Radius = 62;
    for (int n = 0; n < 4; ++n) {
        const bool right = n % 2 == 1;
        const bool bottom = n >= 2;
        const QPointF centre(right ? platen.right() - Inset : platen.left() + Inset,
                             bottom ? platen.bottom() - Inset : platen.top() + Inset);
        p.setPen(QPen(Accent, 8));
        p.setBrush(Qt::white);
        p.drawEllipse(centre, Radius, Radius);
        line(p, QRectF(centre.x() - Radius, centre.y() - Radius, 2 * Radius, 2 * Radius),
             QString::number(n + 1), font(46, true), Accent, Qt::AlignCenter);
        const QRectF valueArea(centre.x() - 190, bottom ? platen.bottom() + 12 : area.top(), 380, 80);
        valueWithUnit(p, valueArea, shown(t, r.channels[n]), shownUnit(r.unit), 42, Qt::AlignHCenter);
    }
    const QRectF middle(platen.left() + 2 * Inset, platen.center().y() - 70, platen.width() - 4 * Inset, 140);
    line(p, middle.adjusted(0, 0, 0, -80), t.mainValue, font(26), Muted, Qt::AlignCenter);
    valueWithUnit(p, middle.adjusted(0, 60, 0, 0), shown(t, r.mainValue), shownUnit(r.unit), 46,
                  Qt::AlignHCenter);
}

// Thick strokes with round ends: a tick or a cross, legible on any printer without a font that has them.
void mark(QPainter& p, const QRectF& box, bool tick, const QColor& colour) {
    QPainterPath path;
    if (tick) {
        path.moveTo(box.left() + box.width() * 0.12, box.top() + box.height() * 0.55);
        path.lineTo(box.left() + box.width() * 0.40, box.top() + box.height() * 0.82);
        path.lineTo(box.left() + box.width() * 0.90, box.top() + box.height() * 0.20);
    } else {
        path.moveTo(box.topLeft() + QPointF(box.width() * 0.18, box.height() * 0.18));
        path.lineTo(box.bottomRight() - QPointF(box.width() * 0.18, box.height() * 0.18));
        path.moveTo(box.topRight() + QPointF(-box.width() * 0.18, box.height() * 0.18));
        path.lineTo(box.bottomLeft() + QPointF(box.width() * 0.18, -box.height() * 0.18));
    }
    p.setPen(QPen(colour, box.width() * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// Passed: an outlined box with a tick. Failed: a filled box with a cross, in white. So the verdict reads the
// same in colour, in grey and to someone who cannot tell red from green.
void verdict(QPainter& p, const QRectF& box, const Record& r, const ProtocolTexts& t) {
    const bool decided = r.deviation && r.tolerance && r.withinTolerance;
    const bool passed = decided && *r.withinTolerance;
    const QColor colour = !decided ? Muted : passed ? PassColour : FailColour;
    const QColor text = decided && !passed ? QColor(Qt::white) : Ink;
    p.setBrush(decided && !passed ? FailColour : QColor(Qt::white));
    p.setPen(QPen(colour, 10, decided ? Qt::SolidLine : Qt::DashLine));
    p.drawRoundedRect(box.adjusted(5, 5, -5, -5), 16, 16);
    const QRectF icon(box.left() + 40, box.center().y() - 75, 150, 150);
    if (decided)
        mark(p, icon, passed, passed ? PassColour : QColor(Qt::white));
    const QRectF words = box.adjusted(230, 28, -30, -28);
    line(p, QRectF(words.left(), words.top(), words.width(), 40), t.result, font(26), text);
    const QString word = !decided ? t.noVerdict : passed ? t.pass : t.fail;
    line(p, QRectF(words.left(), words.top() + 40, words.width(), 90), word,
         fitted(word, words.width(), decided ? 76 : 52, true), decided && passed ? PassColour : text);
    QString reason = !r.deviation ? t.noDeviation : !r.tolerance ? t.noTolerance : QString();
    if (reason.isEmpty())
        reason = (passed ? t.within : t.beyond).arg(deviationShown(t, r.deviation), number(t, *r.tolerance));
    paragraph(p, QRectF(words.left(), words.top() + 135, words.width(), 80), reason, font(27), text, 2);
}

void figures(QPainter& p, const QRectF& area, const Record& r, const ProtocolTexts& t) {
    struct Row {
        QString label;
        QString value;
        QString unit;
    };
    QList<Row> rows{{t.mainValue, shown(t, r.mainValue), shownUnit(r.unit)},
                    {t.totalForce, shown(t, r.totalKn), QStringLiteral("kN")},
                    {t.totalForce, shown(t, r.totalTons), r.tonsUnit},
                    {t.deviation, deviationShown(t, r.deviation), QStringLiteral("%")},
                    {t.tolerance, shown(t, r.tolerance), QStringLiteral("%")}};
    if (t.nominalKn && *t.nominalKn > 0)
        rows.insert(2,
                    {t.ofNominal.arg(number(t, *t.nominalKn)),
                     r.totalKn ? number(t, *r.totalKn / *t.nominalKn * 100, 1) : Dash, QStringLiteral("%")});
    // Six rows leave the verdict the room five did.
    const double Row = rows.size() > 5 ? 62 : 74;
    double y = area.top();
    for (const auto& row : rows) {
        line(p, QRectF(area.left(), y, area.width() * 0.6, Row), row.label, font(30), Muted);
        valueWithUnit(p, QRectF(area.left() + area.width() * 0.6, y + 8, area.width() * 0.4, Row - 16),
                      row.value, row.unit, 40, Qt::AlignRight);
        p.fillRect(QRectF(area.left(), y + Row - 2, area.width(), 2), RuleColour);
        y += Row;
    }
    verdict(p, QRectF(area.left(), y + 30, area.width(), area.bottom() - y - 30), r, t);
}

void parameters(QPainter& p, double y, const Record& r, const ProtocolTexts& t) {
    const QString cells[4][3] = {{t.kFactor, shown(t, r.kFactor, 2), QString()},
                                 {t.eModulus, shown(t, r.eModulus), QStringLiteral("kN/mm\u00b2")},
                                 {t.barDiameter, shown(t, r.barDiameter), QStringLiteral("mm")},
                                 {t.unit, r.unit.isEmpty() ? Dash : shownUnit(r.unit), QString()}};
    const double width = ContentWidth / 4;
    p.fillRect(QRectF(Margin, y, ContentWidth, 120), Tint);
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(Margin + i * width + 24, y + 10, width - 48, 100);
        line(p, QRectF(cell.left(), cell.top(), cell.width(), 40), cells[i][0], font(26), Muted);
        valueWithUnit(p, QRectF(cell.left(), cell.top() + 44, cell.width(), 52), cells[i][1], cells[i][2], 36,
                      Qt::AlignLeft);
        if (i > 0)
            p.fillRect(QRectF(Margin + i * width, y + 15, 2, 90), RuleColour);
    }
}

// The eight sensors as recorded, in the unit they were measured in; dashes where they were not polled.
void sensorRow(QPainter& p, double y, const Record& r, const ProtocolTexts& t) {
    const QString unit = shownUnit(r.sensorUnit);
    line(p, QRectF(Margin, y, 300, 90),
         unit.isEmpty() ? t.sensors : t.sensors + QStringLiteral(" [") + unit + ']', font(26), Muted);
    const double width = (ContentWidth - 310) / 8;
    for (int n = 0; n < 8; ++n) {
        const QRectF cell(Margin + 310 + n * width, y, width - 12, 90);
        line(p, cell.adjusted(0, 0, 0, -50), QStringLiteral("%1.%2").arg(n / 2 + 1).arg(n % 2 + 1), font(22),
             Muted, Qt::AlignHCenter | Qt::AlignVCenter);
        valueWithUnit(p, cell.adjusted(0, 40, 0, 0), shown(t, r.sensors[n]), QString(), 30, Qt::AlignHCenter);
    }
    p.fillRect(QRectF(Margin, y + 96, ContentWidth, 2), RuleColour);
}

// When the amplifier was zeroed, and what the deviation on this page means.
void zeroAndDefinition(QPainter& p, double y, const Record& r, const ProtocolTexts& t) {
    const QString zero = !r.zeroedAt              ? t.zeroUnknown
                         : !r.zeroedAt->isValid() ? t.notZeroed
                                                  : t.zeroed.arg(localTime(t, r, *r.zeroedAt));
    line(p, QRectF(Margin, y, ContentWidth, 40), zero, font(26), Ink);
    line(p, QRectF(Margin, y + 42, ContentWidth, 40), t.deviationDefined, font(26), Muted);
}

// Tick steps of 1, 2 or 5 times a power of ten, about `ticks` of them over the span.
double niceStep(double span, int ticks) {
    const double raw = std::max(span, 1e-9) / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0})
        if (raw <= f * power)
            return f * power;
    return 10 * power;
}

void marker(QPainter& p, const QPointF& at, int channel, const QColor& colour) {
    constexpr double S = 13;
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(colour);
    switch (channel) {
    case 0:
        p.drawEllipse(at, S, S);
        break;
    case 1:
        p.drawRect(QRectF(at.x() - S, at.y() - S, 2 * S, 2 * S));
        break;
    case 2:
        p.drawPolygon(
            QPolygonF({at + QPointF(0, -S * 1.3), at + QPointF(S * 1.2, S), at + QPointF(-S * 1.2, S)}));
        break;
    case 3:
        p.drawPolygon(QPolygonF({at + QPointF(0, -S * 1.4), at + QPointF(S * 1.4, 0),
                                 at + QPointF(0, S * 1.4), at + QPointF(-S * 1.4, 0)}));
        break;
    default: // the deviation: a cross, drawn in its line's colour
        p.setPen(QPen(colour, 5));
        p.drawLine(at + QPointF(-S, -S), at + QPointF(S, S));
        p.drawLine(at + QPointF(-S, S), at + QPointF(S, -S));
    }
}

void legend(QPainter& p, double x, double y, const ProtocolTexts& t) {
    const QFont f = font(26);
    const auto item = [&](const QString& text, auto sample) {
        sample(QRectF(x, y, 60, 40));
        line(p, QRectF(x + 70, y, textWidth(f, text) + 2, 40), text, f, Ink);
        x += 70 + textWidth(f, text) + 40;
    };
    for (int n = 0; n < 4; ++n)
        item(t.tieBar.arg(n + 1), [&](const QRectF& r) {
            p.setPen(QPen(ChannelColours[n], 5));
            p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
            marker(p, r.center(), n, ChannelColours[n]);
        });
    item(t.deviation + QStringLiteral(" [%]"), [&](const QRectF& r) {
        p.setPen(QPen(Ink, 4, Qt::DashLine));
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
        marker(p, r.center(), 4, Ink);
    });
    item(t.tolerance + QStringLiteral(" [%]"), [&](const QRectF& r) {
        p.fillRect(r.adjusted(0, 6, 0, -6), BandColour);
        p.fillRect(QRectF(r.left(), r.top() + 6, r.width(), 3), PassColour);
    });
}

// Channels on the left axis in the record's unit, the deviation on the right axis in percent with each
// record's tolerance shaded beneath it; one column per record, the protocol's own one highlighted.
void trendChart(QPainter& p, const QRectF& area, const Record& record, QList<Record> trend,
                const ProtocolTexts& t) {
    if (trend.isEmpty())
        trend = {record};
    const int n = static_cast<int>(trend.size());
    legend(p, area.left(), area.top(), t);
    const QRectF plot = area.adjusted(130, 110, -110, -80);
    const double column = plot.width() / n;
    const auto x = [&](int i) { return plot.left() + column * (i + 0.5); };

    // Channels of another force unit converted into the record's; strain beside force cannot be.
    const std::optional<double> kiloNewtons = kiloNewtonsPer(record.unit);
    const auto factor = [&](const Record& r) -> std::optional<double> {
        if (r.unit == record.unit)
            return 1.0;
        const std::optional<double> own = kiloNewtonsPer(r.unit);
        return own && kiloNewtons ? std::optional<double>(*own / *kiloNewtons) : std::nullopt;
    };
    const auto off = [&](const Record& r) { return offTheScale(*r.deviation, r.tolerance.value_or(0)); };
    double low = INFINITY, high = -INFINITY, deviationTop = 1;
    QStringList unitsNotShown;
    int notShown = 0;
    for (const Record& r : trend) {
        if (const std::optional<double> f = factor(r)) {
            for (const Number& v : r.channels)
                if (v) {
                    low = std::min(low, *v * *f);
                    high = std::max(high, *v * *f);
                }
        } else {
            ++notShown;
            if (!unitsNotShown.contains(shownUnit(r.unit)))
                unitsNotShown.append(shownUnit(r.unit));
        }
        deviationTop = std::max(
            {deviationTop, r.deviation && !off(r) ? *r.deviation * 1.1 : 0.0, r.tolerance.value_or(0) * 1.5});
    }
    if (low > high)
        low = 0, high = 1;
    const double pad = std::max((high - low) * 0.1, std::max(std::abs(high) * 0.02, 1.0));
    const double step = niceStep(high - low + 2 * pad, 4);
    low = std::floor((low - pad) / step) * step;
    high = std::ceil((high + pad) / step) * step;
    const double deviationStep = niceStep(deviationTop, 4);
    deviationTop = std::ceil(deviationTop / deviationStep) * deviationStep;
    const auto y = [&](double v) { return plot.bottom() - (v - low) / (high - low) * plot.height(); };
    const auto yDeviation = [&](double v) { return plot.bottom() - v / deviationTop * plot.height(); };

    for (int i = 0; i < n; ++i) {
        if (trend[i].id == record.id)
            p.fillRect(QRectF(plot.left() + i * column, plot.top(), column, plot.height()), Tint);
        if (trend[i].tolerance) {
            const double top = yDeviation(std::min(*trend[i].tolerance, deviationTop));
            p.fillRect(QRectF(plot.left() + i * column, top, column, plot.bottom() - top), BandColour);
            p.fillRect(QRectF(plot.left() + i * column, top, column, 3), PassColour);
        }
    }
    const QFont axisFont = font(24);
    for (double v = low; v <= high + step / 2; v += step) {
        p.fillRect(QRectF(plot.left(), y(v) - 1, plot.width(), 2), RuleColour);
        line(p, QRectF(area.left(), y(v) - 20, 120, 40), number(t, v), axisFont, Muted,
             Qt::AlignRight | Qt::AlignVCenter);
    }
    for (double v = 0; v <= deviationTop + deviationStep / 2; v += deviationStep)
        line(p, QRectF(plot.right() + 10, yDeviation(v) - 20, 100, 40), number(t, v), axisFont, Muted);
    line(p, QRectF(area.left(), plot.top() - 48, 120, 36),
         QLatin1Char('[') + shownUnit(record.unit) + QLatin1Char(']'), axisFont, Muted,
         Qt::AlignRight | Qt::AlignVCenter);
    line(p, QRectF(plot.right() + 10, plot.top() - 48, 100, 36), QStringLiteral("[%]"), axisFont, Muted);
    p.setPen(QPen(RuleColour.darker(130), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    p.setClipRect(plot.adjusted(-20, -20, 20, 20));
    const auto series = [&](auto value, const QPen& pen, int shape, const QColor& colour) {
        QList<QPointF> points(n, QPointF(NAN, NAN));
        for (int i = 0; i < n; ++i)
            if (const std::optional<double> v = value(trend[i]))
                points[i] = QPointF(x(i), *v);
        p.setPen(pen);
        for (int i = 1; i < n; ++i)
            if (!std::isnan(points[i - 1].y()) && !std::isnan(points[i].y()))
                p.drawLine(points[i - 1], points[i]);
        for (const QPointF& point : points)
            if (!std::isnan(point.y()))
                marker(p, point, shape, colour);
    };
    series(
        [&](const Record& r) {
            return r.deviation ? Number(yDeviation(off(r) ? deviationTop : *r.deviation)) : Number();
        },
        QPen(Ink, 4, Qt::DashLine), 4, Ink);
    for (int c = 0; c < 4; ++c)
        series(
            [&](const Record& r) {
                const std::optional<double> f = factor(r);
                return f && r.channels[c] ? Number(y(*r.channels[c] * *f)) : Number();
            },
            QPen(ChannelColours[c], 5), c, ChannelColours[c]);
    p.setClipping(false);
    // A deviation off the scale: a red triangle over its cross at the top edge, its value in words beside.
    for (int i = 0; i < n; ++i)
        if (trend[i].deviation && off(trend[i])) {
            const QPointF at(x(i), plot.top() - 22);
            p.setPen(Qt::NoPen);
            p.setBrush(FailColour);
            p.drawPolygon(QPolygonF({at + QPointF(-14, -12), at + QPointF(14, -12), at + QPointF(0, 12)}));
            line(p, QRectF(at.x() + 18, at.y() - 18, column / 2 - 18, 36),
                 t.offScale + QStringLiteral(": ") + deviationShown(t, trend[i].deviation), font(20),
                 FailColour);
        }
    if (notShown > 0)
        line(p, QRectF(plot.left() + 12, plot.top() + 8, plot.width() - 24, 34),
             t.channelsNotShown.arg(unitsNotShown.join(QStringLiteral(", "))).arg(notShown), font(22), Muted);

    const QFont dateFont = font(22);
    for (int i = 0; i < n; ++i) {
        const QDateTime local = trend[i].takenAt.toUTC().addSecs(qint64(trend[i].utcOffsetMin) * 60);
        const QString date = local.toString(t.dateTimeFormat.section(QLatin1Char(' '), 0, 0));
        line(p, QRectF(x(i) - column / 2, plot.bottom() + 8, column, 34), date, dateFont, Muted,
             Qt::AlignCenter);
        line(p, QRectF(x(i) - column / 2, plot.bottom() + 40, column, 34),
             local.toString(QStringLiteral("HH:mm")), dateFont, Muted, Qt::AlignCenter);
    }
}

// Who measured signs first, with the name printed under the line; a checker and the approval after.
void signatures(QPainter& p, double y, const Record& r, const ProtocolTexts& t) {
    constexpr double Gap = 60;
    constexpr double Width = (ContentWidth - 2 * Gap) / 3;
    const QString labels[3] = {t.inspector, t.checker, t.approval};
    for (int i = 0; i < 3; ++i) {
        const double left = Margin + i * (Width + Gap);
        p.fillRect(QRectF(left, y, Width, 3), Ink);
        line(p, QRectF(left, y + 8, Width, 40), labels[i], font(26), Muted);
    }
    line(p, QRectF(Margin, y + 48, Width, 40), r.operatorName, font(28, true), Ink);
}

} // namespace

void drawProtocol(QPainter& painter, const QRectF& page, const Record& record, const QList<Record>& trend,
                  const ProtocolTexts& texts) {
    painter.save();
    const double scale = std::min(page.width() / PageWidth, page.height() / PageHeight);
    painter.translate(page.center().x() - PageWidth * scale / 2, page.center().y() - PageHeight * scale / 2);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    header(painter, texts);
    details(painter, record, texts);
    section(painter, 780, texts.measurement);
    tieBars(painter, QRectF(Margin, 855, 780, 660), record, texts);
    figures(painter, QRectF(Margin + 860, 855, ContentWidth - 860, 660), record, texts);
    section(painter, 1555, texts.parameters);
    parameters(painter, 1630, record, texts);
    sensorRow(painter, 1765, record, texts);
    zeroAndDefinition(painter, 1872, record, texts);
    const int count = static_cast<int>(std::max<qsizetype>(1, trend.size()));
    section(painter, 1975, count == 1 ? texts.trendOne : texts.trend.arg(count));
    trendChart(painter, QRectF(Margin, 2050, ContentWidth, 430), record, trend, texts);
    if (!record.note.isEmpty()) {
        line(painter, QRectF(Margin, 2500, 290, 44), texts.note, font(28), Muted);
        paragraph(painter, QRectF(Margin + 300, 2504, ContentWidth - 300, 76), record.note, font(28), Ink, 2);
    }
    signatures(painter, 2680, record, texts);
    painter.fillRect(QRectF(Margin, 2810, ContentWidth, 2), RuleColour);
    const QString footer = texts.form.simplified() + QStringLiteral("  \u00b7  ") + texts.page;
    const double pageWidth = std::min(textWidth(font(26), footer) + 4, ContentWidth / 2);
    line(painter, QRectF(Margin, 2822, ContentWidth - pageWidth - 40, 40),
         texts.recordId + QStringLiteral(": ") + record.id, font(26), Muted);
    line(painter, QRectF(RightEdge - pageWidth, 2822, pageWidth, 40), footer, font(26), Muted,
         Qt::AlignRight);
    painter.restore();
}

} // namespace records
