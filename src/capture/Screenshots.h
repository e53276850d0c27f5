#pragma once
// The picture of the main window that the save and print buttons of the main view and the graph page take:
// whichever page is shown, taken before any dialog opens. Saved as a bitmap the user names and then shown
// in the desktop's viewer, or printed on the printer the user chooses, scaled to fit the page.

#include <QImage>
#include <QString>

class Dialogs;
class QPrinter;
class QWidget;
struct FileDialogState;

class Screenshots {
public:
    static constexpr const char* PrintFile = "Printscreen.bmp";
    static constexpr const char* JobTitle = "Vantoria 4.0.3 Screenshot";

    Screenshots(QWidget& window, Dialogs& dialogs, FileDialogState& dialogSave);

    // Where the windowing system lets the program read the screen: the window with frame and caption, less
    // its rightmost 4 columns. Elsewhere (offscreen, Wayland) the client area as the window draws it, at
    // full width, since cutting columns would then cut content.
    QImage capture() const;

    void save();
    void print();
    // The picture on the page at the largest size that fits, keeping its proportions, at the top left.
    static void printImage(QPrinter& printer, const QImage& image);

private:
    QWidget& window_;
    Dialogs& dialogs_;
    FileDialogState& dialogSave_;
};
