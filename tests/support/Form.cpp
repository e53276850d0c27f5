#include "Form.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QWidget>

Form::Form(QWidget* root) : root_(root) {
    const auto children = root->findChildren<QObject*>();
    for (QObject* child : children) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
            controls_.insert(child->objectName(), child);
    }
    controls_.insert(root->objectName(), root);
}

QWidget* Form::widget(const QString& name) const { return get<QWidget>(name); }
QLineEdit* Form::edit(const QString& name) const { return get<QLineEdit>(name); }
QLabel* Form::label(const QString& name) const { return get<QLabel>(name); }
QAbstractButton* Form::button(const QString& name) const { return get<QAbstractButton>(name); }
QPlainTextEdit* Form::memo(const QString& name) const { return get<QPlainTextEdit>(name); }
QComboBox* Form::combo(const QString& name) const { return get<QComboBox>(name); }
QGroupBox* Form::group(const QString& name) const { return get<QGroupBox>(name); }
QTabWidget* Form::tabs(const QString& name) const { return get<QTabWidget>(name); }
