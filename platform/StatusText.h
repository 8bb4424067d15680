#pragma once

#include <QString>

// The status label's text. A carriage return alone starts a new line of it.
// The table loader needs only this of the window.
class StatusText {
 public:
  virtual ~StatusText() = default;
  virtual QString statusText() const = 0;
  virtual void setStatusText(const QString& text) = 0;
};
