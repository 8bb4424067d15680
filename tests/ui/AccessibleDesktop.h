#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A desktop of the test's own, for starting the real program and reading its
// windows as a screen reader reads them: an X server (Xvfb), a session bus,
// and the accessibility bus that the session bus starts on request, all
// with their sockets in a temporary folder. Stopped when this object goes.
class AccessibleDesktop {
 public:
  AccessibleDesktop();
  ~AccessibleDesktop();

  bool start(QString* error);
  void stop();

  // What a program needs to run on this desktop and to show its windows on
  // the accessibility bus.
  QProcessEnvironment environment() const;

  // The accessible objects of the application named `application`, depth
  // first: "role: name" for each, and "contents: ..." with the text of the
  // text boxes, their lines joined by LF. Empty while the application has
  // not joined the bus.
  QStringList read(const QString& application) const;
  // The process of the application named `application`, for ending one
  // that another program started; 0 while it has not joined the bus.
  qint64 processOf(const QString& application) const;
  // Asks the windows titled `title` to close, as a window manager's close
  // button does; false when there is none.
  bool closeWindow(const QString& title) const;

 private:
  bool startXvfb(QString* error);
  bool startSessionBus(QString* error);

  QTemporaryDir root_;
  QProcess xvfb_;
  QProcess bus_;
  QString display_;
  QString sessionBus_;
  QString accessibilityBus_;
};
