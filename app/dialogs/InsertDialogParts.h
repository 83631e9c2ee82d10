// The small builders the insert dialogs share: named widgets, the OK and
// Cancel row, and the file choice through the prompts.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <functional>

namespace InsertDialogParts {

QString Lang(const char* key);

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QLineEdit* Edit(const char* name, const QString& text = QString());

// A spin box over `min`..`max` (the default maximum would be 99).
QSpinBox* Spin(const char* name, int min, int max, int value);

// OK and Cancel at the right; `ok` and `cancel` run before the dialog closes.
QHBoxLayout* OkCancel(QDialog* d, QPushButton*& okButton, const char* okName, QPushButton*& cancelButton,
                      const char* cancelName, std::function<bool()> ok, std::function<void()> cancel);

// OK and Cancel setting and clearing `ok`.
QHBoxLayout* OkFlag(QDialog* d, bool& ok, QPushButton*& okButton, const char* okName, QPushButton*& cancelButton,
                    const char* cancelName);

// An open dialog through the prompts; empty when cancelled.
QString ChooseFile(const QString& filter);

QString PictureFilter();

}  // namespace InsertDialogParts
