#include "records/ServerStatus.h"

#include "settings/OwnTexts.h"

#include <QStringList>

namespace records {

QString serverStatusText(const ServerStatus& status, const QString& languageCode) {
    const auto text = [&](OwnText which) { return ownText(which, languageCode); };
    const auto counted = [&](int n, OwnText one, OwnText many) {
        return n == 1 ? text(one) : text(many).arg(n);
    };
    // The count first, so that it stays in view however long the server's reason is, and the reason last.
    QStringList parts;
    if (status.waiting > 0)
        parts << text(OwnText::RecordsWaitingCount).arg(status.waiting);
    switch (status.state) {
    case ServerStatus::State::Sent:
        if (status.refused.records + status.refused.notes == 0)
            parts << text(OwnText::RecordsServerAllSent);
        break;
    case ServerStatus::State::Waiting:
        if (!status.reason.isEmpty() && parts.isEmpty())
            parts << status.reason;
        else if (!status.reason.isEmpty())
            parts.last() += QStringLiteral(" (%1)").arg(status.reason);
        break;
    case ServerStatus::State::LoginRefused:
        parts << text(OwnText::RecordsServerLoginRefused);
        break;
    case ServerStatus::State::Unreachable:
        parts << text(OwnText::RecordsServerUnreachable).arg(status.reason);
        break;
    }
    const Refused& refused = status.refused;
    if (refused.records + refused.notes > 0) {
        const QString records = counted(refused.records, OwnText::RecordsOne, OwnText::RecordsMany);
        const QString notes = counted(refused.notes, OwnText::NotesOne, OwnText::NotesMany);
        const QString what = refused.notes == 0     ? records
                             : refused.records == 0 ? notes
                                                    : text(OwnText::RecordsAndNotes).arg(records, notes);
        parts << text(OwnText::RecordsRefused).arg(what, refused.reason);
    }
    if (parts.isEmpty()) // waiting, with nothing counted and no reason given
        parts << text(OwnText::RecordsWaitingCount).arg(0);
    return text(OwnText::RecordsServerLine).arg(parts.join(QStringLiteral(", ")));
}

} // namespace records
