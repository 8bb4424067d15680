#include "Baseline.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "DiskFileSystem.h"
#include "JoinedLines.h"
#include "JsonText.h"
#include "OutputFile.h"
#include "Rules.h"
#include "WholeFile.h"

namespace {

// Far more than the baseline of any script base, and little enough to read
// into memory.
constexpr qint64 kMostBytes = qint64(256) << 20;

// Counts are whole numbers a JSON reader anywhere reads exactly; sums of
// them stop there rather than overflow.
constexpr qint64 kMostCount = qint64(1) << 53;

qint64 addCounts(qint64 a, qint64 b) {
  return a > kMostCount - b ? kMostCount : a + b;
}

// A key holds the table, the code and the statement; the code's length
// tells where the statement starts, since a code or a statement may hold
// any character.
QString keyFrom(const QString& table, const QString& code, const QString& statement) {
  return table + u':' + QString::number(code.size()) + u':' + code + statement;
}

// A rule's key cannot be a table alert's, whose table is a name without a
// colon.
const QString kRulePrefix = QStringLiteral("rule:");

struct KeyParts {
  QString table, code, statement;
};

KeyParts partsOf(const QString& key) {
  const qsizetype tableEnd = key.indexOf(u':');
  const qsizetype lengthEnd = key.indexOf(u':', tableEnd + 1);
  const qsizetype codeSize = key.sliced(tableEnd + 1, lengthEnd - tableEnd - 1).toLongLong();
  return {key.first(tableEnd), key.sliced(lengthEnd + 1, codeSize),
          key.sliced(lengthEnd + 1 + codeSize)};
}

// A count from 1 to kMostCount, exactly as written: a number past 2^53
// that a double would round down to it is none.
bool countOf(const QJsonValue& value, qint64* count) {
  *count = value.toInteger(0);
  return value.isDouble() && *count >= 1 && *count <= kMostCount;
}

// The key of an alert given by its table, code and statement, or empty.
QString alertKeyOf(const QJsonObject& entry) {
  const bool alert = entry.value("code").isString() && entry.value("statement").isString() &&
                     (entry.value("table") == "tags" || entry.value("table") == "params");
  return alert ? keyFrom(entry.value("table").toString(), entry.value("code").toString(),
                         entry.value("statement").toString())
               : QString();
}

void appendAlert(QByteArray* text, const QString& key, qint64 count) {
  const KeyParts parts = partsOf(key);
  *text += "\"table\": ";
  jsontext::appendString(text, parts.table);
  *text += ", \"code\": ";
  jsontext::appendString(text, parts.code);
  *text += ", \"statement\": ";
  jsontext::appendString(text, parts.statement);
  *text += ", \"count\": " + QByteArray::number(count) + '}';
}

}  // namespace

bool Baseline::holdsSuch(const Diagnostic& d) {
  return d.isTableAlert() || d.rule == Rule::LineEnds;
}

QString Baseline::keyOf(const Diagnostic& alert) {
  if (!alert.isTableAlert()) return kRulePrefix + alert.ruleId();
  return keyFrom(rules::tableName(alert.table), alert.code().toString(), alert.statement);
}

QString Baseline::lineEndsKey() {
  return kRulePrefix + rules::infoOf(Rule::LineEnds).id;
}

QString Baseline::lineEndsBeyond(const QString& path, const JoinedLines& now) const {
  const QString recorded = QStringLiteral("the baseline records this warning");
  if (!now.alertsKnown) {
    return recorded + QStringLiteral(
                          ", but a script read as a stream cannot be read again for what its "
                          "joined lines hold");
  }
  const Joined joined = joinedByPath_.value(relative(path));
  QString beyond;
  if (joined.lines >= 0 && now.joined > joined.lines) {
    beyond += QStringLiteral(" with %1 joined, not %2")
                  .arg(joined.lines == 1 ? QStringLiteral("1 line")
                                         : QStringLiteral("%1 lines").arg(joined.lines))
                  .arg(now.joined);
  }
  QStringList rowIds;
  qint64 more = 0;
  for (auto it = now.alerts.cbegin(); it != now.alerts.cend(); ++it) {
    const qint64 extra = it.value() - joined.alerts.value(it.key());
    if (extra <= 0) continue;
    more += extra;
    const KeyParts parts = partsOf(it.key());
    const QString id = parts.table + u'/' + parts.code;
    if (!rowIds.contains(id)) rowIds += id;
  }
  if (more > 0) {
    rowIds.sort();
    beyond +=
        QStringLiteral(
            ", but not the %1 that the joined lines give when read with LF line "
            "ends (%2)")
            .arg(more == 1 ? QStringLiteral("1 alert") : QStringLiteral("%1 alerts").arg(more),
                 rowIds.join(QStringLiteral(", ")));
  }
  return beyond.isEmpty() ? QString() : recorded + beyond;
}

QString Baseline::relative(const QString& path) const {
  return QDir::cleanPath(QDir(folder_).relativeFilePath(QFileInfo(path).absoluteFilePath()));
}

bool Baseline::read(const QString& file, QString* error) {
  folder_ = QFileInfo(file).absolutePath();
  DiskFileSystem disk;
  QByteArray bytes;
  QString reason;
  if (!readWhole(disk, file, kMostBytes, &bytes, &reason)) {
    *error = file + QStringLiteral(": ") + reason;
    return false;
  }
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    *error = QStringLiteral("%1: not a baseline: %2 at byte %3")
                 .arg(file, parseError.errorString())
                 .arg(parseError.offset);
    return false;
  }
  const QJsonObject root = document.object();
  if (!document.isObject() || root.value("version").toInt() != 1 ||
      !root.value("alerts").isArray()) {
    *error = file + QStringLiteral(": not a baseline of this program (version 1 with its alerts)");
    return false;
  }
  const QJsonArray entries = root.value("alerts").toArray();
  for (qsizetype i = 0; i < entries.size(); ++i) {
    const QJsonObject entry = entries[i].toObject();
    qint64 count = 0;
    const bool counted = entries[i].isObject() && entry.value("path").isString() &&
                         countOf(entry.value("count"), &count);
    const QString alertKey = alertKeyOf(entry);
    const bool rule = entry.value("rule") == QLatin1StringView(rules::infoOf(Rule::LineEnds).id);
    auto refused = [&](const QString& what) {
      *error = QStringLiteral("%1: entry %2 %3").arg(file).arg(i + 1).arg(what);
      return false;
    };
    if (!counted || alertKey.isEmpty() == !rule) {
      return refused(QStringLiteral(
          "is not an alert with path, table, code, statement and a count from 1 to 2^53, nor a "
          "script's line-ends diagnostic with path, rule and count"));
    }
    const QString path = entry.value("path").toString();
    qint64& known = byPath_[path][rule ? lineEndsKey() : alertKey];
    known = addCounts(known, count);
    if (!rule) continue;
    Joined joined;
    if (entry.contains("joined") && !countOf(entry.value("joined"), &joined.lines)) {
      return refused(
          QStringLiteral("is a line-ends diagnostic whose joined is not a count from 1 to 2^53"));
    }
    const QJsonValue alerts = entry.value("joinedAlerts");
    bool listed = alerts.isArray() || alerts.isUndefined();
    for (const QJsonValue held : alerts.toArray()) {
      const QString key = alertKeyOf(held.toObject());
      qint64 heldCount = 0;
      listed = listed && !key.isEmpty() && countOf(held.toObject().value("count"), &heldCount);
      if (!listed) break;
      joined.alerts[key] = addCounts(joined.alerts.value(key), heldCount);
    }
    if (!listed)
      return refused(QStringLiteral(
          "is a line-ends diagnostic whose joinedAlerts is not a list of alerts with table, "
          "code, statement and a count from 1 to 2^53"));
    addJoined(path, joined);
  }
  return true;
}

QHash<QString, qint64> Baseline::countsFor(const QString& path) const {
  QHash<QString, qint64> counts;
  const auto found = byPath_.constFind(relative(path));
  if (found == byPath_.cend()) return counts;
  for (auto it = found->cbegin(); it != found->cend(); ++it) counts.insert(it.key(), it.value());
  return counts;
}

void Baseline::add(const QString& path, const QHash<QString, qint64>& counts,
                   const JoinedLines* joined) {
  const QString shown = relative(path);
  QMap<QString, qint64>& script = byPath_[shown];
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    script[it.key()] = addCounts(script[it.key()], it.value());
  if (!joined || !counts.contains(lineEndsKey())) return;
  Joined held;
  held.lines = joined->joined;
  for (auto it = joined->alerts.cbegin(); it != joined->alerts.cend(); ++it)
    held.alerts.insert(it.key(), it.value());
  addJoined(shown, held);
}

// Two entries of one script's line-ends diagnostic: their lines joined add
// up, unless either is any number, and so do their alerts.
void Baseline::addJoined(const QString& path, const Joined& joined) {
  const auto known = joinedByPath_.find(path);
  if (known == joinedByPath_.end()) {
    joinedByPath_.insert(path, joined);
    return;
  }
  known->lines = known->lines < 0 || joined.lines < 0 ? -1 : addCounts(known->lines, joined.lines);
  for (auto it = joined.alerts.cbegin(); it != joined.alerts.cend(); ++it)
    known->alerts[it.key()] = addCounts(known->alerts.value(it.key()), it.value());
}

qint64 Baseline::alerts() const {
  qint64 total = 0;
  for (const auto& script : byPath_) {
    for (const qint64 count : script) total = addCounts(total, count);
  }
  return total;
}

bool Baseline::write(const QString& file, QString* error) const {
  QByteArray text = "{\"version\": 1, \"alerts\": [";
  bool first = true;
  for (auto script = byPath_.cbegin(); script != byPath_.cend(); ++script) {
    for (auto entry = script->cbegin(); entry != script->cend(); ++entry) {
      text += first ? "\n{\"path\": " : ",\n{\"path\": ";
      first = false;
      jsontext::appendString(&text, script.key());
      if (entry.key().startsWith(kRulePrefix)) {
        text += ", \"rule\": ";
        jsontext::appendString(&text, entry.key().sliced(kRulePrefix.size()));
        text += ", \"count\": " + QByteArray::number(entry.value());
        const Joined joined = joinedByPath_.value(script.key());
        if (joined.lines >= 0) text += ", \"joined\": " + QByteArray::number(joined.lines);
        text += ", \"joinedAlerts\": [";
        for (auto held = joined.alerts.cbegin(); held != joined.alerts.cend(); ++held) {
          text += held == joined.alerts.cbegin() ? "{" : ", {";
          appendAlert(&text, held.key(), held.value());
        }
        text += "]}";
        continue;
      }
      text += ", ";
      appendAlert(&text, entry.key(), entry.value());
    }
  }
  text += "\n]}\n";
  OutputFile out;
  QString reason;
  if (!out.open(file, &reason) || !out.write(text, &reason) || !out.commit(&reason)) {
    *error = file + QStringLiteral(": ") + reason;
    return false;
  }
  return true;
}
