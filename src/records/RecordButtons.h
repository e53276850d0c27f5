#pragma once
// The record buttons on the main view and the big view (F9 does the same) and the operator field: a click
// stores the last complete measurement cycle as one record, confirmed in the status line, or refused with
// the reason in the error box. The buttons work only while a measurement runs and its last cycle holds real
// values; otherwise their tooltip says why not.

#include "records/RecordMaking.h"
#include "settings/LanguageParticipant.h"
#include "settings/OwnTexts.h"

#include <QObject>
#include <QString>

#include <optional>

class Dialogs;
class MeasurementControls;
class ProgramStatus;
struct MachineInfo;
struct ParameterView;
struct PortControls;
struct ProgramState;
struct RecordControls;
struct ViewOptions;

namespace records {
class RecordStore;
}

class RecordButtons : public QObject, public LanguageParticipant {
    Q_OBJECT

public:
    struct Views {
        const RecordControls& controls;
        const MachineInfo& machine;
        const ParameterView& parameters;
        const ViewOptions& options;
        const PortControls& port;
    };
    struct Services {
        const MeasurementControls& measuring;
        ProgramStatus& status;
        Dialogs& dialogs;
        const Language& language;
    };

    // iniPath: Records.ini, which remembers the operator.
    RecordButtons(const Views& views, const Services& services, const ProgramState& state,
                  const QString& iniPath);

    // Where records go. None, or one that may not be changed, keeps the buttons disabled; problem says why
    // there is none.
    // problem: why there is no store; readOnly: why a read-only store takes no records.
    void setStore(records::RecordStore* store, const QString& problem,
                  OwnText readOnly = OwnText::RecordsReadOnly);

    // Both buttons enabled or disabled, with the reason as their tooltip. Called whenever the cycle, the
    // measuring state or the language changes.
    void refresh();
    // Why no record can be taken now, in the program's language; none when it can.
    std::optional<QString> whyNot() const;
    // A click or F9: stores the last complete cycle; true when it was stored. Nothing happens while the
    // buttons are disabled.
    bool take();
    // The operator field lost the focus or was confirmed: a changed name is remembered.
    void keepOperator();

    void applyLanguage(const Language& language) override;

signals:
    void recordStored(const QString& id);

private:
    records::RecordContext context() const;

    Views views_;
    Services services_;
    const ProgramState& state_;
    QString iniPath_;
    QString rememberedOperator_;
    records::RecordStore* store_ = nullptr;
    QString storeProblem_;
    OwnText readOnlyReason_ = OwnText::RecordsReadOnly;
};
