#pragma once

#include <QString>

// Everything the desktop program's commands need of the main window: the
// status label, the report box, a forced repaint, the open-file dialog and
// message boxes. The real window provides them; tests provide their own.
class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // The status label's text. A carriage return alone starts a new line of it.
  virtual QString statusText() const = 0;
  virtual void setStatusText(const QString& text) = 0;

  // The report box's whole text; its lines are separated by CR LF.
  virtual QString reportText() const = 0;
  virtual void setReportText(const QString& text) = 0;

  // Every pending change of the main window is on screen when this returns.
  virtual void repaintNow() = 0;

  // A filter of the form "description|pattern".
  virtual void setDialogFilter(const QString& filter) = 0;
  // Modal; returns when the user has closed the dialog.
  virtual void showOpenDialog() = 0;
  // The path the dialog holds; empty when no file was chosen.
  virtual QString chosenFileName() const = 0;

  // Modal, with a single OK button and no icon.
  virtual void showMessageBox(const QString& text, const QString& title) = 0;
};
