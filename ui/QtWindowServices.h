#pragma once

#include <QString>

#include "WindowServices.h"

class FrmMain;
class ModalPrompts;

// The window services on the real main window: the status label, the report
// box, a forced repaint, and the dialog and message boxes of `prompts`.
// Texts come back exactly as they were set; text the user typed into the
// report box comes back with CR LF between its lines.
class QtWindowServices : public WindowServices {
 public:
  QtWindowServices(FrmMain& form, ModalPrompts& prompts);

  QString statusText() const override { return status_; }
  void setStatusText(const QString& text) override;
  QString reportText() const override;
  void setReportText(const QString& text) override;
  void repaintNow() override;
  void setDialogFilter(const QString& filter) override { filter_ = filter; }
  void showOpenDialog() override;
  QString chosenFileName() const override { return chosen_; }
  void showMessageBox(const QString& text, const QString& title) override;

 private:
  FrmMain& form_;
  ModalPrompts& prompts_;
  // The label shows line breaks where the status has CRs; the text as set is
  // kept here, CRs and all.
  QString status_;
  // The report as last set; valid until the user edits the box.
  QString report_;
  QString filter_;
  QString chosen_;
};
