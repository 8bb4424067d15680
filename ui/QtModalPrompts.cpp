#include "QtModalPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

QString QtModalPrompts::chooseFileToOpen(QWidget* parent, const QString& nameFilters) {
  // No caption, start folder or file name preset: the dialog's defaults.
  return QFileDialog::getOpenFileName(parent, QString(), QString(), nameFilters);
}

void QtModalPrompts::showMessage(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  // Messages quote file names and error texts, never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
