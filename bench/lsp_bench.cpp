// vornel-lsp-bench: times vornel-scan --lsp as an editor uses it, for
// bench/lsp (make bench).
//
//   vornel-lsp-bench SERVER TABLES SCRIPT ALERTS TREE TABLE LINE EXPECTED
//
// 1. Opens SCRIPT and makes 100 one-character edits, one at a time, each
//    after the diagnostics of the one before came: how long after the
//    settling time (150 ms) the diagnostics of each edit come.
// 2. Opens SCRIPT 50 times under 50 names, then edits each once: the
//    server's peak and current resident memory.
// 3. Makes 1,000 one-character edits back to back, as fast typing does, and
//    waits for the diagnostics of the last: how much resident memory grew.
// 4. In a server of its own, opens SCRIPT repeated to 20 MiB and to 5 MiB,
//    and sends one change of 5,000 (2,000) edits to each, one edit every so
//    many lines, backwards through the text as VS Code sends a "replace
//    all", then forwards as Neovim sends its edits, each followed by a
//    hover: how long after the change was sent the hover is answered.
// 5. In a server of its own, opens 1,000 scripts of 400 short alerting
//    lines, taken from ALERTS, and waits for the diagnostics of all: the peak
//    resident memory.
// 6. In a server of its own, opens SCRIPT, then SCRIPT repeated to 50 MiB
//    under another name, and at once asks for a hover in the first: how
//    long after it was sent the hover is answered, while the big script is
//    still being taken in.
// 7. In a server of its own, whose workspace is TREE, asks for the
//    references of the row on line LINE (from 0) of TABLE as soon as
//    initialize is answered, while the server walks and checks the
//    workspace (a cold start): how long after it was sent the answer comes,
//    and whether it holds the EXPECTED alerts; then the same again (warm).
// With VORNEL_LSP_BENCH=references, measures 7 alone. Prints Markdown;
// exits 2 when it cannot measure.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>

#include "MessageDecoder.h"

namespace {

constexpr int kSettleMilliseconds = 150;
// Long enough for a server that walks a big script once for every edit.
constexpr int kPatienceMilliseconds = 300000;
constexpr int kTimedEdits = 100;
constexpr int kOpenScripts = 50;
constexpr int kTypedEdits = 1000;
constexpr int kManyScripts = 1000;
constexpr int kAlertsPerScript = 400;
constexpr int kShortLine = 24;  // bytes

struct BigChange {
  qint64 bytes;
  int edits;
  double limitMs;
};
const BigChange kBigChanges[] = {{20 << 20, 5000, 1000}, {5 << 20, 2000, 250}};
constexpr qint64 kBigOpenBytes = qint64(50) << 20;
constexpr double kBigOpenLimitMs = 1000;
constexpr double kReferencesLimitMs = 1000;

[[noreturn]] void fail(const QString& why) {
  std::fprintf(stderr, "vornel-lsp-bench: %s\n", qPrintable(why));
  std::exit(2);
}

class Client {
 public:
  Client(const QString& server, const QString& tables) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(server, {"--lsp", "--tables", tables});
    if (!process_.waitForStarted(10000)) fail("cannot start " + server);
  }
  void send(const QJsonObject& message) {
    process_.write(lsp::encodeMessage(message));
    process_.waitForBytesWritten(kPatienceMilliseconds);
  }
  // Bytes already framed, written as they are, all of them before it returns.
  void sendRaw(const QByteArray& bytes) {
    process_.write(bytes);
    while (process_.bytesToWrite() > 0) {
      if (!process_.waitForBytesWritten(kPatienceMilliseconds)) fail("the server took no input");
    }
  }
  void notify(const QString& method, const QJsonObject& params) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  QJsonObject request(const QString& method, const QJsonObject& params) {
    const int id = nextId_++;
    send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
    return next([id](const QJsonObject& m) { return m.value("id") == id; });
  }
  // The first message `match` accepts of those not yet taken.
  template <typename Match>
  QJsonObject next(Match match) {
    for (;;) {
      for (lsp::Incoming m; decoder_.next(&m);) unread_.push_back(m.message);
      for (auto it = unread_.begin(); it != unread_.end(); ++it) {
        if (!match(*it)) continue;
        const QJsonObject found = *it;
        unread_.erase(it);
        return found;
      }
      // Writing may have read what came meanwhile.
      if (process_.bytesAvailable() == 0 && !process_.waitForReadyRead(kPatienceMilliseconds))
        fail("the server stopped answering");
      decoder_.feed(process_.readAllStandardOutput());
    }
  }
  // The diagnostics of `uri` at `version`.
  QJsonArray published(const QString& uri, int version) {
    return next([&](const QJsonObject& m) {
             const QJsonObject p = m.value("params").toObject();
             return m.value("method") == QLatin1StringView("textDocument/publishDiagnostics") &&
                    p.value("uri") == uri && p.value("version") == version;
           })
        .value("params")
        .toObject()
        .value("diagnostics")
        .toArray();
  }
  // Resident memory in KiB from /proc: "VmHWM" (peak) or "VmRSS".
  qint64 memory(const char* field) const {
    QFile status(QStringLiteral("/proc/%1/status").arg(process_.processId()));
    if (!status.open(QIODevice::ReadOnly)) fail("cannot read the server's memory");
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith(field))
        return line.mid(line.indexOf(':') + 1).trimmed().split(' ')[0].toLongLong();
    }
    fail("no " + QString::fromLatin1(field));
  }
  int finish() {
    request("shutdown", {});
    notify("exit", {});
    process_.waitForFinished(60000);
    return process_.exitCode();
  }

 private:
  QProcess process_;
  lsp::MessageDecoder decoder_;
  std::deque<QJsonObject> unread_;
  int nextId_ = 1;
};

QJsonObject opened(const QString& uri, const QString& text) {
  return {{"textDocument",
           QJsonObject{{"uri", uri}, {"languageId", "csm"}, {"version", 1}, {"text", text}}}};
}

// A space typed at the end of a line in the middle of the script, or taken away again.
QJsonObject oneCharacter(const QString& uri, int version, int line, int character) {
  const bool typing = version % 2 == 0;
  const QJsonObject start{{"line", line}, {"character", character}};
  const QJsonObject end{{"line", line}, {"character", character + (typing ? 0 : 1)}};
  return {{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
          {"contentChanges",
           QJsonArray{QJsonObject{{"range", QJsonObject{{"start", start}, {"end", end}}},
                                  {"text", typing ? " " : ""}}}}};
}

// `edits` edits, one every so many lines of `text`, each putting a line's
// first character in its place: a change as large as a "replace all" that
// leaves the diagnostics as they were. Backwards through the text, or
// forwards.
QJsonObject spreadEdits(const QString& uri, int version, const QString& text, int edits,
                        bool backwards) {
  const QStringList lines = text.split(QLatin1StringView("\r\n"));
  const qsizetype step = (lines.size() - 1) / edits;
  QJsonArray changes;
  for (int i = 0; i < edits; ++i) {
    const int line = int((backwards ? edits - 1 - i : i) * step);
    const QJsonObject start{{"line", line}, {"character", 0}};
    const QJsonObject end{{"line", line}, {"character", 1}};
    changes.append(QJsonObject{{"range", QJsonObject{{"start", start}, {"end", end}}},
                               {"text", lines[line].left(1)}});
  }
  return {{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
          {"contentChanges", changes}};
}

QJsonObject referencesOf(const QString& uri, int line) {
  return {{"textDocument", QJsonObject{{"uri", uri}}},
          {"position", QJsonObject{{"line", line}, {"character", 1}}},
          {"context", QJsonObject{{"includeDeclaration", false}}}};
}

QJsonObject hoverAtStart(const QString& uri) {
  return {{"textDocument", QJsonObject{{"uri", uri}}},
          {"position", QJsonObject{{"line", 0}, {"character", 0}}}};
}

// SCRIPT repeated, whole lines, to at least `bytes` bytes of UTF-8.
QString repeatedTo(const QString& text, qint64 bytes) {
  const qint64 once = text.toUtf8().size();
  QString repeated;
  repeated.reserve(text.size() * ((bytes + once - 1) / once));
  for (qint64 size = 0; size < bytes; size += once) repeated += text;
  return repeated;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 9)
    fail("usage: vornel-lsp-bench SERVER TABLES SCRIPT ALERTS TREE TABLE LINE EXPECTED");
  QFile file(args[3]);
  if (!file.open(QIODevice::ReadOnly)) fail("cannot read " + args[3]);
  const QString text = QString::fromUtf8(file.readAll());
  const int lines = int(text.count(QLatin1StringView("\r\n")));
  const int middle = lines / 2;
  const int middleEnd = int(text.section(QLatin1StringView("\r\n"), middle, middle).size());

  // 7. References in a workspace of many scripts, in a server of its own.
  double coldMs = 0;
  double coldFromStartMs = 0;
  double warmMs = 0;
  qsizetype coldFound = 0;
  qsizetype warmFound = 0;
  const int row = args[7].toInt();
  const qsizetype expected = args[8].toLongLong();
  {
    QElapsedTimer clock;
    const QString tableUri = QUrl::fromLocalFile(QFileInfo(args[6]).absoluteFilePath()).toString();
    QElapsedTimer started;
    started.start();
    Client server(args[1], args[2]);
    server.request(
        "initialize",
        {{"rootUri", QUrl::fromLocalFile(QFileInfo(args[5]).absoluteFilePath()).toString()},
         {"capabilities", QJsonObject{}}});
    server.notify("initialized", {});
    clock.start();
    QJsonObject answer = server.request("textDocument/references", referencesOf(tableUri, row));
    coldMs = double(clock.nsecsElapsed()) / 1e6;
    coldFromStartMs = double(started.nsecsElapsed()) / 1e6;
    coldFound = answer.value("result").toArray().size();
    clock.start();
    answer = server.request("textDocument/references", referencesOf(tableUri, row));
    warmMs = double(clock.nsecsElapsed()) / 1e6;
    warmFound = answer.value("result").toArray().size();
    if (coldFound == 0 || warmFound == 0) fail("the references in the tree found nothing");
    if (server.finish() != 0) fail("the server did not end well");
  }

  const auto printReferences = [&] {
    std::printf(
        "- References of the row on line %d of %s in the workspace %s, asked as soon as "
        "initialize was answered, while the server walks and checks it (cold): %lld locations "
        "(%lld expected), answered %.0f ms after they were asked, %.0f ms after the server was "
        "started. The same again (warm): %lld locations in %.1f ms.\n\n",
        row + 1, qPrintable(QFileInfo(args[6]).fileName()),
        qPrintable(QFileInfo(args[5]).fileName()), static_cast<long long>(coldFound),
        static_cast<long long>(expected), coldMs, coldFromStartMs,
        static_cast<long long>(warmFound), warmMs);
  };
  const auto referencesRow = [&] {
    std::printf("| References of a code in %s, from a cold start | ≤ %.0f ms | %s (%.0f ms%s) |\n",
                qPrintable(QFileInfo(args[5]).fileName()), kReferencesLimitMs,
                coldMs <= kReferencesLimitMs && coldFound == expected ? "PASS" : "FAIL", coldMs,
                coldFound == expected ? "" : ", wrong count");
  };
  // VORNEL_LSP_BENCH=references measures this target alone.
  if (qEnvironmentVariable("VORNEL_LSP_BENCH") == QLatin1StringView("references")) {
    std::printf("\n### Benchmark: `vornel-scan --lsp` (bench/lsp), references alone\n\n");
    printReferences();
    std::printf("| Target | Limit | Result |\n|---|---:|---|\n");
    referencesRow();
    return 0;
  }

  Client client(args[1], args[2]);
  client.request("initialize", {{"rootUri", QUrl::fromLocalFile(args[2]).toString()},
                                {"capabilities", QJsonObject{}}});
  client.notify("initialized", {});

  // 1. One edit at a time.
  const QString uri = QUrl::fromLocalFile("/bench/edit.csm").toString();
  client.notify("textDocument/didOpen", opened(uri, text));
  const qsizetype alerts = client.published(uri, 1).size();
  std::vector<double> after;
  QElapsedTimer clock;
  for (int version = 2; version < 2 + kTimedEdits; ++version) {
    clock.start();
    client.notify("textDocument/didChange", oneCharacter(uri, version, middle, middleEnd));
    if (client.published(uri, version).size() != alerts) fail("an edit changed the diagnostics");
    after.push_back(double(clock.nsecsElapsed()) / 1e6 - kSettleMilliseconds);
  }
  std::sort(after.begin(), after.end());

  // 2. Fifty scripts open.
  for (int i = 1; i <= kOpenScripts; ++i) {
    const QString name =
        QUrl::fromLocalFile(QStringLiteral("/bench/open-%1.csm").arg(i)).toString();
    client.notify("textDocument/didOpen", opened(name, text));
  }
  for (int i = 1; i <= kOpenScripts; ++i) {
    const QString name =
        QUrl::fromLocalFile(QStringLiteral("/bench/open-%1.csm").arg(i)).toString();
    client.published(name, 1);
    client.notify("textDocument/didChange", oneCharacter(name, 2, middle, middleEnd));
  }
  for (int i = 1; i <= kOpenScripts; ++i)
    client.published(QUrl::fromLocalFile(QStringLiteral("/bench/open-%1.csm").arg(i)).toString(),
                     2);
  const qint64 peak = client.memory("VmHWM");
  const qint64 resident = client.memory("VmRSS");

  // 3. Fast typing.
  const int first = 2 + kTimedEdits;
  for (int version = first; version < first + kTypedEdits; ++version)
    client.notify("textDocument/didChange", oneCharacter(uri, version, middle, middleEnd));
  client.published(uri, first + kTypedEdits - 1);
  const qint64 typed = client.memory("VmRSS");
  if (client.finish() != 0) fail("the server did not end well");

  // 4. Big changes, in a server of their own, so that its memory is theirs.
  struct BigResult {
    qint64 bytes;
    int edits;
    double backwardsMs;
    double forwardsMs;
  };
  std::vector<BigResult> big;
  {
    Client server(args[1], args[2]);
    server.request("initialize", {{"rootUri", QUrl::fromLocalFile(args[2]).toString()},
                                  {"capabilities", QJsonObject{}}});
    server.notify("initialized", {});
    for (const BigChange& change : kBigChanges) {
      const QString name = QStringLiteral("/bench/big-%1.csm").arg(change.bytes);
      const QString bigUri = QUrl::fromLocalFile(name).toString();
      const QString bigText = repeatedTo(text, change.bytes);
      server.notify("textDocument/didOpen", opened(bigUri, bigText));
      const qsizetype bigAlerts = server.published(bigUri, 1).size();
      BigResult result{bigText.toUtf8().size(), change.edits, 0, 0};
      for (int version = 2; version <= 3; ++version) {
        const bool backwards = version == 2;
        const QJsonObject edits = spreadEdits(bigUri, version, bigText, change.edits, backwards);
        clock.start();
        server.notify("textDocument/didChange", edits);
        server.request("textDocument/hover", hoverAtStart(bigUri));
        (backwards ? result.backwardsMs : result.forwardsMs) = double(clock.nsecsElapsed()) / 1e6;
        if (server.published(bigUri, version).size() != bigAlerts)
          fail("a big change changed the diagnostics");
      }
      big.push_back(result);
    }
    if (server.finish() != 0) fail("the server did not end well");
  }

  // 5. Many scripts with many alerts, in a server of their own.
  QFile alertsFile(args[4]);
  if (!alertsFile.open(QIODevice::ReadOnly)) fail("cannot read " + args[4]);
  QStringList alertLines;
  qint64 manyPeak = 0;
  qint64 manyBytes = 0;
  {
    Client server(args[1], args[2]);
    server.request("initialize", {{"rootUri", QUrl::fromLocalFile(args[2]).toString()},
                                  {"capabilities", QJsonObject{}}});
    server.notify("initialized", {});
    // The short lines of ALERTS that alert, from its first few thousand:
    // scripts of about 9.6 KB, each line alerting.
    QStringList probe;
    for (int i = 0; i < 10 * kAlertsPerScript && !alertsFile.atEnd(); ++i)
      probe.append(QString::fromUtf8(alertsFile.readLine()).chopped(2));
    const QString probeUri = QUrl::fromLocalFile("/bench/probe.csm").toString();
    server.notify("textDocument/didOpen", opened(probeUri, probe.join("\r\n")));
    int lastLine = -1;
    for (const QJsonValue& d : server.published(probeUri, 1)) {
      const int line = d["range"]["start"]["line"].toInt();
      if (line != lastLine && alertLines.size() < kAlertsPerScript &&
          probe[line].toUtf8().size() <= kShortLine) {
        alertLines.append(probe[line]);
      }
      lastLine = line;
    }
    server.notify("textDocument/didClose", {{"textDocument", QJsonObject{{"uri", probeUri}}}});
    if (alertLines.size() < kAlertsPerScript) fail("too few alerting lines in " + args[4]);
    const QString script = alertLines.join("\r\n") + "\r\n";
    manyBytes = script.toUtf8().size();
    for (int i = 1; i <= kManyScripts; ++i) {
      const QString name = QStringLiteral("/bench/many-%1.csm").arg(i);
      server.notify("textDocument/didOpen", opened(QUrl::fromLocalFile(name).toString(), script));
    }
    for (int i = 1; i <= kManyScripts; ++i) {
      const QString name = QStringLiteral("/bench/many-%1.csm").arg(i);
      if (server.published(QUrl::fromLocalFile(name).toString(), 1).size() != kAlertsPerScript)
        fail("a script of many alerts did not get them all");
    }
    manyPeak = server.memory("VmHWM");
    if (server.finish() != 0) fail("the server did not end well");
  }

  // 6. A hover while a big script opens, in a server of its own.
  double bigOpenHoverMs = 0;
  double bigOpenDoneMs = 0;
  qint64 bigOpenBytes = 0;
  {
    Client server(args[1], args[2]);
    server.request("initialize", {{"rootUri", QUrl::fromLocalFile(args[2]).toString()},
                                  {"capabilities", QJsonObject{}}});
    server.notify("initialized", {});
    const QString smallUri = QUrl::fromLocalFile("/bench/small.csm").toString();
    server.notify("textDocument/didOpen", opened(smallUri, text));
    server.published(smallUri, 1);
    const QString bigUri = QUrl::fromLocalFile("/bench/open-50.csm").toString();
    const QString bigText = repeatedTo(text, kBigOpenBytes);
    bigOpenBytes = bigText.toUtf8().size();
    const QJsonObject bigOpen{{"jsonrpc", "2.0"},
                              {"method", "textDocument/didOpen"},
                              {"params", opened(bigUri, bigText)}};
    // The message is framed before the clock starts: its JSON is the
    // client's work, not the server's.
    const QByteArray framed = lsp::encodeMessage(bigOpen);
    server.sendRaw(framed);
    clock.start();
    const QJsonObject answer = server.request("textDocument/hover", hoverAtStart(smallUri));
    bigOpenHoverMs = double(clock.nsecsElapsed()) / 1e6;
    if (!answer.contains("result")) fail("the hover during the big opening was not answered");
    if (server.published(bigUri, 1).isEmpty()) fail("the big script got no diagnostics");
    bigOpenDoneMs = double(clock.nsecsElapsed()) / 1e6;
    if (server.finish() != 0) fail("the server did not end well");
  }

  const double limitMs = 20;
  const double limitMiB = 64;
  std::printf("\n### Benchmark: `vornel-scan --lsp` (bench/lsp)\n\n");
  std::printf(
      "- Script: %d lines, %lld bytes, %lld diagnostics; the edit types a space at the end "
      "of line %d and takes it away again.\n",
      lines, static_cast<long long>(text.toUtf8().size()), static_cast<long long>(alerts),
      middle + 1);
  std::printf(
      "- Time from sending an edit to reading its diagnostics, less the %d ms settling "
      "time, over %d edits: median %.2f ms, 90th percentile %.2f ms, min %.2f ms, max "
      "%.2f ms.\n",
      kSettleMilliseconds, kTimedEdits, median(after), after[after.size() * 9 / 10], after.front(),
      after.back());
  std::printf(
      "- %d copies of the script open, each edited once: peak resident memory %.1f MiB, "
      "%.1f MiB at the end.\n",
      kOpenScripts, double(peak) / 1024, double(resident) / 1024);
  std::printf(
      "- Then %d edits back to back to one of them: resident memory %.1f MiB (%+.1f MiB).\n\n",
      kTypedEdits, double(typed) / 1024, double(typed - resident) / 1024);
  for (const BigResult& result : big) {
    std::printf(
        "- One change of %d edits to a script of %.1f MiB, then a hover: answered %.0f ms after "
        "the change was sent when the edits go backwards, %.0f ms when they go forwards.\n",
        result.edits, double(result.bytes) / 1048576, result.backwardsMs, result.forwardsMs);
  }
  std::printf(
      "- %d scripts of %d alerting lines (%lld bytes each) open: peak resident memory %.1f "
      "MiB.\n",
      kManyScripts, kAlertsPerScript, static_cast<long long>(manyBytes), double(manyPeak) / 1024);
  std::printf(
      "- A script of %.1f MiB opened, then a hover in another script at once: answered %.0f ms "
      "after it was sent; the big script's diagnostics came after %.0f ms.\n\n",
      double(bigOpenBytes) / 1048576, bigOpenHoverMs, bigOpenDoneMs);
  printReferences();
  std::printf("| Target | Limit | Result |\n|---|---:|---|\n");
  std::printf(
      "| Diagnostics after a one-character edit, after settling (median of %d) | ≤ %.0f ms | %s "
      "(%.2f ms) |\n",
      kTimedEdits, limitMs, median(after) <= limitMs ? "PASS" : "FAIL", median(after));
  std::printf("| Peak resident memory with %d scripts open | < %.0f MiB | %s (%.1f MiB) |\n",
              kOpenScripts, limitMiB, double(peak) / 1024 < limitMiB ? "PASS" : "FAIL",
              double(peak) / 1024);
  for (std::size_t i = 0; i < big.size(); ++i) {
    const double slower = std::max(big[i].backwardsMs, big[i].forwardsMs);
    std::printf(
        "| A hover after one change of %d edits to %.0f MiB, either way through it | ≤ %.0f ms | "
        "%s (%.0f ms) |\n",
        big[i].edits, double(big[i].bytes) / 1048576, kBigChanges[i].limitMs,
        slower <= kBigChanges[i].limitMs ? "PASS" : "FAIL", slower);
  }
  const double manyLimitMiB = 200;
  std::printf(
      "| Peak resident memory with %d scripts of %d alerts open | ≤ %.0f MiB | %s (%.1f MiB) |\n",
      kManyScripts, kAlertsPerScript, manyLimitMiB,
      double(manyPeak) / 1024 <= manyLimitMiB ? "PASS" : "FAIL", double(manyPeak) / 1024);
  std::printf(
      "| A hover in another script while one of %.0f MiB opens | ≤ %.0f ms | %s (%.0f ms) |\n",
      double(kBigOpenBytes) / 1048576, kBigOpenLimitMs,
      bigOpenHoverMs <= kBigOpenLimitMs ? "PASS" : "FAIL", bigOpenHoverMs);
  referencesRow();
  return 0;
}
