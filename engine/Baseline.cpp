#include "Baseline.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "DiskFileSystem.h"
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

}  // namespace

bool Baseline::holdsSuch(const Diagnostic& d) {
  return d.isTableAlert() || d.rule == Rule::LineEnds;
}

QString Baseline::keyOf(const Diagnostic& alert) {
  if (!alert.isTableAlert()) return kRulePrefix + alert.ruleId();
  return keyFrom(rules::tableName(alert.table), alert.code().toString(), alert.statement);
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
    const QJsonValue count = entry.value("count");
    const bool counted = entries[i].isObject() && entry.value("path").isString() &&
                         count.isDouble() && count.toDouble() >= 1 &&
                         count.toDouble() <= double(kMostCount) &&
                         count.toDouble() == double(count.toInteger());
    const bool alert = entry.value("code").isString() && entry.value("statement").isString() &&
                       (entry.value("table") == "tags" || entry.value("table") == "params");
    const bool rule = entry.value("rule") == QLatin1StringView(rules::infoOf(Rule::LineEnds).id);
    if (!counted || alert == rule) {
      *error = QStringLiteral(
                   "%1: entry %2 is not an alert with path, table, code, statement "
                   "and a count from 1 to 2^53, nor a script's line-ends diagnostic with "
                   "path, rule and count")
                   .arg(file)
                   .arg(i + 1);
      return false;
    }
    qint64& known =
        byPath_[entry.value("path").toString()]
               [rule ? kRulePrefix + entry.value("rule").toString()
                     : keyFrom(entry.value("table").toString(), entry.value("code").toString(),
                               entry.value("statement").toString())];
    known = addCounts(known, count.toInteger());
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

void Baseline::add(const QString& path, const QHash<QString, qint64>& counts) {
  QMap<QString, qint64>& script = byPath_[relative(path)];
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    script[it.key()] = addCounts(script[it.key()], it.value());
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
        text += ", \"count\": " + QByteArray::number(entry.value()) + '}';
        continue;
      }
      const KeyParts parts = partsOf(entry.key());
      text += ", \"table\": ";
      jsontext::appendString(&text, parts.table);
      text += ", \"code\": ";
      jsontext::appendString(&text, parts.code);
      text += ", \"statement\": ";
      jsontext::appendString(&text, parts.statement);
      text += ", \"count\": " + QByteArray::number(entry.value()) + '}';
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
