#pragma once

#include <QString>

class QWidget;

// The modal windows the program opens: the open-file dialog and message
// boxes. The real ones wait for the user; tests answer in their place.
class ModalPrompts {
 public:
  virtual ~ModalPrompts() = default;
  // `nameFilters` is in the dialog's own syntax, "Description (*.ext)".
  // Returns the chosen path, or the empty text when the user cancelled.
  virtual QString chooseFileToOpen(QWidget* parent, const QString& nameFilters) = 0;
  // A text and a title with a single OK button and no icon.
  virtual void showMessage(QWidget* parent, const QString& text, const QString& title) = 0;
};
