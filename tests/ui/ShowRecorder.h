#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QString>
#include <QStringList>

// Notes, for the whole application, which top-level windows were shown and
// when, by object name, so a test can tell whether a window ever appeared.
class ShowRecorder : public QObject {
 public:
  ShowRecorder();
  ~ShowRecorder() override;

  bool wasShown(const QString& name) const { return shown_.contains(name); }
  // Milliseconds from `since` to the first showing of `name`; -1 if never.
  qint64 shownAfter(const QString& name, const QElapsedTimer& since) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QStringList shown_;
  QList<qint64> at_;  // QElapsedTimer::msecsSinceReference() of each showing
};
