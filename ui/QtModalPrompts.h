#pragma once

#include "ModalPrompts.h"

// The real dialog and message boxes of Qt Widgets.
class QtModalPrompts : public ModalPrompts {
 public:
  QString chooseFileToOpen(QWidget* parent, const QString& nameFilters) override;
  void showMessage(QWidget* parent, const QString& text, const QString& title) override;
};
