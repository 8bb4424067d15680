// The byte masks a scan reads, by both instruction sets, against a plain
// byte-by-byte reading of the same bytes.

#include <algorithm>
#include <vector>

#include <QRandomGenerator>
#include <QTest>

#include "ScriptMasks.h"

namespace {

using Masker = qint64 (*)(const char*, qsizetype, qsizetype, ScriptMasks*);

// Random bytes, mostly ones the masks care about, and every byte value now and then.
QByteArray randomBytes(QRandomGenerator& random, int size) {
  static const char kPicks[] = {'"', '\r', '#', '\t', '\n', '\v', '\f', ' ', 'a', '\x80', '\xff'};
  QByteArray bytes;
  for (int i = 0; i < size; ++i) {
    bytes.append(random.bounded(4) == 0 ? char(random.bounded(256))
                                        : kPicks[random.bounded(int(sizeof kPicks))]);
  }
  return bytes;
}

ScriptMasks expectedGroup(const QByteArray& bytes, qsizetype from) {
  ScriptMasks m;
  for (int i = 0; i < ScriptMasks::kGroup && from + i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[from + i]);
    const std::uint64_t bit = std::uint64_t(1) << i;
    if (c == '"') m.quotes |= bit;
    if (c == '\r') m.lineEnds |= bit;
    if (c == '#') m.hashes |= bit;
    if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == ' ' || c >= 0x80) m.loose |= bit;
    if (c == '\v' || c >= 0x80) m.odd |= bit;
  }
  return m;
}

}  // namespace

class ScriptMasksTest : public QObject {
  Q_OBJECT

 private slots:
  void masksMatchTheBytes_data() {
    QTest::addColumn<bool>("wide");
    QTest::newRow("portable") << false;
    QTest::newRow("AVX2") << true;
  }

  void masksMatchTheBytes() {
    QFETCH(bool, wide);
    if (wide && !canMaskScriptWide()) QSKIP("this processor has no AVX2");
    const Masker mask = wide ? maskScript : maskScriptPortable;
    QRandomGenerator random(11);
    for (int round = 0; round < 500; ++round) {
      const QByteArray bytes = randomBytes(random, random.bounded(400));
      // Sometimes more groups than the bytes fill: those read as zeros.
      const qsizetype groups = (bytes.size() + 63) / 64 + random.bounded(2);
      std::vector<ScriptMasks> got(static_cast<size_t>(groups));
      const qint64 lineEnds = mask(bytes.constData(), bytes.size(), groups, got.data());
      QCOMPARE(lineEnds, qint64(bytes.count('\r')));
      std::uint32_t before = 0;
      for (qsizetype g = 0; g < groups; ++g) {
        const ScriptMasks want = expectedGroup(bytes, g * ScriptMasks::kGroup);
        const ScriptMasks& m = got[static_cast<size_t>(g)];
        QCOMPARE(m.quotes, want.quotes);
        QCOMPARE(m.lineEnds, want.lineEnds);
        QCOMPARE(m.hashes, want.hashes);
        QCOMPARE(m.loose, want.loose);
        QCOMPARE(m.odd, want.odd);
        QCOMPARE(m.lineEndsBefore, before);
        before += static_cast<std::uint32_t>(__builtin_popcountll(want.lineEnds));
      }
    }
  }

  void countByteCountsEveryMatch() {
    QRandomGenerator random(12);
    for (int round = 0; round < 300; ++round) {
      // Long enough now and then for the counting lanes to wrap.
      const QByteArray bytes = randomBytes(random, random.bounded(round % 10 == 0 ? 20000 : 300));
      const qsizetype from = bytes.isEmpty() ? 0 : random.bounded(int(bytes.size()));
      const char x = "\"\r#a"[random.bounded(4)];
      const QByteArray part = bytes.mid(from);
      QCOMPARE(countByte(bytes.constData() + from, part.size(), x),
               qsizetype(std::count(part.begin(), part.end(), x)));
    }
  }
};

QTEST_GUILESS_MAIN(ScriptMasksTest)
#include "test_script_masks.moc"
