#pragma once

#include <QString>
#include <QStringList>

#include "WindowServices.h"

// The window as the harness plays it: the dialog always yields the script
// named on the command line, texts are kept for printing at the end, and
// message boxes are collected instead of shown.
class ConsoleWindow : public WindowServices {
 public:
  explicit ConsoleWindow(QString scriptPath) : scriptPath_(std::move(scriptPath)) {}

  QString statusText() const override { return status_; }
  void setStatusText(const QString& text) override { status_ = text; }
  QString reportText() const override { return report_; }
  void setReportText(const QString& text) override { report_ = text; }
  void repaintNow() override {}
  void setDialogFilter(const QString&) override {}
  void showOpenDialog() override {}
  QString chosenFileName() const override { return scriptPath_; }
  void showMessageBox(const QString& text, const QString&) override { messages_.append(text); }

  const QStringList& messages() const { return messages_; }

 private:
  QString scriptPath_;
  QString status_;
  QString report_;
  QStringList messages_;
};
