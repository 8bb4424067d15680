#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The working window: the status label, the two command buttons, the report
// box and the start-up timer, laid out at fixed pixel positions. It only
// holds the controls; the program connects their events to its commands.
// A script dropped anywhere on it, the report box too, is told through
// scriptDropped(); drops of other files or addresses are refused.
class FrmMain : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 485;
  static constexpr int kClientHeight = 361;
  static constexpr int kTimer1Interval = 3000;

  explicit FrmMain(QWidget* parent = nullptr);

  QLabel* const lblInfo;
  QPushButton* const cmdOpen;
  QPushButton* const cmdPrint;
  QPlainTextEdit* const txtReport;
  QTimer* const Timer1;

 signals:
  void scriptDropped(const QString& path);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // True when `event` was a drag or drop of files, answered here.
  bool answerFileDrop(QEvent* event);
};
