#include "records/ServerStatus.h"

#include "settings/OwnTexts.h"

namespace records {

QString serverStatusText(const ServerStatus& status, const QString& languageCode) {
    const auto text = [&](OwnText which) { return ownText(which, languageCode); };
    QString line;
    switch (status.state) {
    case ServerStatus::State::Sent:
        return text(OwnText::RecordsServerAllSent);
    case ServerStatus::State::Waiting:
        line = text(OwnText::RecordsServerWaiting).arg(status.waiting);
        return status.reason.isEmpty() ? line : line + QStringLiteral(" (%1)").arg(status.reason);
    case ServerStatus::State::LoginRefused:
        line = text(OwnText::RecordsServerLoginRefused);
        break;
    case ServerStatus::State::Unreachable:
        line = text(OwnText::RecordsServerUnreachable).arg(status.reason);
        break;
    }
    return status.waiting > 0
               ? line + QStringLiteral(", ") + text(OwnText::RecordsWaitingCount).arg(status.waiting)
               : line;
}

} // namespace records
