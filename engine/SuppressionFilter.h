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
// alerts are held until the script ends; when a great many wait and the
// script can be read again, it is first searched for such directives, and
// alerts go on at once from then on.
class SuppressionFilter : public AlertSink {
 public:
  // `script`, when not null, is read again (by offset) if too many alerts wait.
  SuppressionFilter(AlertSink& next, const Tables& tables, ByteSource* script);

  void directive(const Directive& directive) override;
  void alert(const Alert& alert) override;
  // The script has ended: hands on what is held.
  void finish();

  // A directive that silenced nothing, names a code no table lists, or is
  // not well formed.
  struct Finding {
    qint64 line;
    qint64 column;
    QString message;
    bool malformed;
  };
  // Once finished, in line order.
  std::vector<Finding> findings() const;

  // Alerts beyond which a script that can be read again is searched first.
  static constexpr std::size_t kMostHeld = 100000;

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
  bool allFileWideKnown_ = false;
};
