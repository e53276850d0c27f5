#pragma once
// The about group of the settings page. Its logo switches debug mode, the service view, on when the device
// box holds the access code and off on any other click; its web label opens the address of the shortcut
// "KELVARA.url" in the working folder.

#include <QString>

#include <vector>

class Dialogs;
class QComboBox;
class QLabel;
class QWidget;

class AboutGroup {
public:
    static constexpr const char* AccessCode = "welk5Tarn62";
    static constexpr const char* ShortcutFile = "KELVARA.url";

    // debugControls: the ten controls of debug mode, in the order they are shown and hidden.
    AboutGroup(QWidget& window, QLabel* version, const QComboBox* device, std::vector<QWidget*> debugControls,
               Dialogs& dialogs);

    void imageLogoSettingsClick();
    void labelWebsiteClick();

    // The address on the "URL=" line of an Internet shortcut; empty when there is none.
    static QString shortcutAddress(const QByteArray& shortcut);

private:
    QWidget& window_;
    QLabel* version_;
    const QComboBox* device_;
    std::vector<QWidget*> debugControls_;
    Dialogs& dialogs_;
};
