// Vantoria: shows the load on the four tie bars of a press, read from a four-channel strain amplifier.

#include "Main.h"
#include "Application.h"
#include "EndSignals.h"
#include "ProgramState.h"
#include "QtDialogs.h"
#include "Resources.h"
#include "Serial.h"

#include <QFile>
#include <QMessageBox>
#include <QStyleFactory>

#include <exception>

namespace {
// The built-in look: Fusion with the program's own style sheet.
void applyVisualStyle(QApplication& app) {
    ensureResources();
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    QFile sheet(QStringLiteral(":/vantoria.qss"));
    if (sheet.open(QIODevice::ReadOnly | QIODevice::Text))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
}
} // namespace

int main(int argc, char** argv) {
    // The device port and the shared state outlive the window and are destroyed after it.
    CSerial devicePort;
    ProgramState state;
    VantoriaApplication app(argc, argv);
    try {
        QtDialogs dialogs;
        app.setDialogs(&dialogs);
        TfrmMain window(devicePort, state, dialogs);
        dialogs.setParent(&window);
        applyVisualStyle(app);
        end_signals::install([&window] { window.FormClose(false); });
        window.show();
        const int result = app.exec();
        app.setDialogs(nullptr);
        return result;
    } catch (const std::exception& error) {
        app.setDialogs(nullptr);
        QMessageBox::critical(nullptr, QString::fromLatin1(ApplicationTitle),
                              QString::fromUtf8(error.what()));
    }
    return 0;
}
