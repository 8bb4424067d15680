#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "WindowServices.h"

// The window as the tests see it: every status text set, the report, the
// message boxes, and a queue of answers for the open-file dialog.
class FakeWindow : public WindowServices {
 public:
  struct MessageBox {
    QString text;
    QString title;
  };

  QString statusText() const override { return status; }
  void setStatusText(const QString& text) override {
    status = text;
    statusHistory.append(text);
  }
  QString reportText() const override { return report; }
  void setReportText(const QString& text) override {
    report = text;
    ++reportWrites;
  }
  void repaintNow() override { repaintedStatus.append(status); }
  void setDialogFilter(const QString& filter) override { dialogFilter = filter; }
  void showOpenDialog() override {
    ++dialogsShown;
    chosen = answers.isEmpty() ? QString() : answers.takeFirst();
  }
  QString chosenFileName() const override { return chosen; }
  void showMessageBox(const QString& text, const QString& title) override {
    messageBoxes.append({text, title});
  }

  QStringList answers;  // what the next dialogs yield, in order
  QString chosen;
  QString status;
  QStringList statusHistory;
  QStringList repaintedStatus;
  QString report;
  int reportWrites = 0;
  QString dialogFilter;
  int dialogsShown = 0;
  QList<MessageBox> messageBoxes;
};
