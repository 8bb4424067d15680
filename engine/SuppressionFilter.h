#pragma once

#include <vector>

#include <QHash>
#include <QString>

#include "Alert.h"
#include "ByteSource.h"
#include "Directive.h"
#include "Tables.h"

// Applies a script's directives to its alerts on their way to `next`: an
// alert a directive silences goes on marked so, with the directive's
// reason. A disable-file directive silences alerts that come before it, so
// alerts are held until the script ends. When many wait, they go on, and
// every later one at once: a script that can be read again is first
// searched for such directives; of a stream, the alerts go on as the
// directives seen so far decide, and a disable-file directive that comes
// later is told of as silencing only the alerts after it.
class SuppressionFilter : public AlertSink {
 public:
  // `script`, when not null, is read again (by offset) if too many alerts wait.
  SuppressionFilter(AlertSink& next, const Tables& tables, ByteSource* script);

  void directive(const Directive& directive) override;
  void alert(const Alert& alert) override;
  // The script has ended: hands on what is held.
  void finish();

  // A directive that is not well formed, that silenced nothing or names a
  // code no table lists, or that came too late in a stream.
  struct Finding {
    enum class Kind { Malformed, Unused, Late };
    qint64 line;
    qint64 column;
    QString message;
    Kind kind;
  };
  // Once finished, in line order.
  std::vector<Finding> findings() const;

  // Alerts beyond which a script that can be read again is searched first.
  static constexpr std::size_t kMostHeld = 50000;

 private:
  struct Noted {
    Directive directive;
    QList<bool> used;  // for each code
  };
  void note(const Directive& directive);
  // Marks `alert` silenced when a directive says so.
  void decide(Alert* alert);
  // Finds every disable-file directive of the script before its alerts go on.
  void searchWholeScript();

  AlertSink& next_;
  const Tables& tables_;
  ByteSource* script_;
  std::vector<Noted> noted_;
  QHash<qint64, QList<qsizetype>> byLine_;  // script line -> noted_ indexes
  QList<qsizetype> fileWide_;
  std::vector<Alert> held_;
  bool handingOnAtOnce_ = false;
  std::vector<Finding> late_;  // disable-file directives that came too late for a stream
};
