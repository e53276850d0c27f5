#pragma once
// Applying a language file: the chosen file becomes the language lines, and every caption, composed label,
// label position, button font size, the data log header, the graph axis titles and the three status lines
// are written anew. The last action starts the device timer.

#include <QString>

struct MainContext;
class ChannelPositions;
class DataLog;
class LiveGraph;
class SettingsFile;

class LanguageApplier {
public:
    LanguageApplier(const MainContext& context, const SettingsFile& settings,
                    const ChannelPositions& positions, LiveGraph& graph, DataLog& log);

    // A file that cannot be read or has fewer lines than the layout is reported and leaves every text as
    // it was; a number line that is empty or not a number leaves that position or size as it was. Either
    // way the device timer runs again afterwards.
    void ApplyLanguage();
    // Choosing the user's own language file (the path field is visible in debug mode only).
    void editLanguageFilePathClick();

    // The file ApplyLanguage reads: by the language buttons, else the user's file; German when the user's
    // file is chosen but no path is set.
    QString chosenFile() const;

private:
    void applyTexts();
    void applyPositionLabels();
    void applyBigView();
    void setLeftFromLine(const QString& control, int line, int minus = 0);
    void setPointSizeFromLine(const QString& control, int line);

    const MainContext& context_;
    const SettingsFile& settings_;
    const ChannelPositions& positions_;
    LiveGraph& graph_;
    DataLog& log_;
};
