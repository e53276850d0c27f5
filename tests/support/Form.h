#pragma once
// The controls of the main window, found by their object names, as a test names them.

#include <QHash>
#include <QString>

#include <stdexcept>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QObject;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

class Form {
public:
    explicit Form(QWidget* root);

    QWidget* root() const { return root_; }
    bool has(const QString& name) const { return controls_.contains(name); }

    // The control of that name and kind; a missing name or another kind is a programming error.
    template <class T> T* get(const QString& name) const {
        T* control = qobject_cast<T*>(controls_.value(name));
        if (!control)
            throw std::logic_error("the window has no control " + name.toStdString() +
                                   " of the expected kind");
        return control;
    }

    QWidget* widget(const QString& name) const;
    QLineEdit* edit(const QString& name) const;
    QLabel* label(const QString& name) const;
    QAbstractButton* button(const QString& name) const; // push buttons, check boxes and radio buttons
    QPlainTextEdit* memo(const QString& name) const;
    QComboBox* combo(const QString& name) const;
    QGroupBox* group(const QString& name) const;
    QTabWidget* tabs(const QString& name) const;

private:
    QWidget* root_;
    QHash<QString, QObject*> controls_;
};

// "editChannel%1" with n filled in: most controls come in numbered sets.
inline QString numbered(const char* pattern, int n) { return QString::fromLatin1(pattern).arg(n); }
// "editSensor" with channel 3 and sensor 2 gives "editSensor32".
inline QString sensorControl(const char* prefix, int channel, int sensor) {
    return QString::fromLatin1(prefix) + QString::number(channel) + QString::number(sensor);
}
