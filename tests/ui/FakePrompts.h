#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

#include "ModalPrompts.h"

// Answers the open-file dialog from a queue and records every message box,
// so no test waits on a modal window.
class FakePrompts : public ModalPrompts {
 public:
  struct Message {
    QString text;
    QString title;
    QWidget* parent;
  };

  QString chooseFileToOpen(QWidget* parent, const QString& nameFilters) override {
    dialogParents.append(parent);
    dialogFilters.append(nameFilters);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }

  void showMessage(QWidget* parent, const QString& text, const QString& title) override {
    messages.append({text, title, parent});
    if (onMessage) onMessage();
  }

  QStringList answers;  // what the next dialogs yield; empty means cancelled
  QStringList dialogFilters;
  QList<QWidget*> dialogParents;
  QList<Message> messages;
  std::function<void()> onMessage;  // runs while the "modal" box is up
};
