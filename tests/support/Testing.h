#pragma once
// What the tests of the window share: Qt Test, the real window with scripted dialogs and the simulated
// amplifier, the files of the working folder, and the program's names for controls, texts and settings
// lines. One include instead of the same twenty in every file.

#include "Controls.h"
#include "SimulatedRig.h"
#include "TestWindow.h"
#include "graph/DataLog.h"
#include "graph/GraphControls.h"
#include "graph/Journal.h"
#include "graph/LiveGraph.h"
#include "settings/Language.h"
#include "settings/LanguageLines.h"
#include "settings/SettingsFile.h"
#include "settings/TextFile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>

// Windows limits no file's size and has neither POSIX permissions nor signals: what needs them is tested
// on Linux, and a Windows run says what it skipped.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(why) QSKIP(why)
#else
#define SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif
