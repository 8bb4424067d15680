// The byte masks a scan reads, by every kernel this processor runs, the
// scalar one included, against a plain byte-by-byte reading of the bytes.

#include <algorithm>
#include <bit>
#include <vector>

#include <QRandomGenerator>
#include <QTest>

#include "ScriptMasks.h"

namespace {

using scriptmasks::Kernel;

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
    if (c == '\n') m.lineFeeds |= bit;
    if (c == '#') m.hashes |= bit;
    if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == ' ' || c >= 0x80) m.loose |= bit;
  }
  return m;
}

}  // namespace

Q_DECLARE_METATYPE(scriptmasks::Kernel)

class ScriptMasksTest : public QObject {
  Q_OBJECT

 private slots:
  void masksMatchTheBytes_data() {
    QTest::addColumn<Kernel>("kernel");
    QTest::newRow("scalar") << Kernel::Scalar;
    QTest::newRow("SSE2") << Kernel::Sse2;
    QTest::newRow("AVX2") << Kernel::Avx2;
  }

  void masksMatchTheBytes() {
    QFETCH(Kernel, kernel);
    if (!scriptmasks::canRun(kernel)) QSKIP("not on this processor");
    QRandomGenerator random(11);
    for (int round = 0; round < 500; ++round) {
      const QByteArray bytes = randomBytes(random, random.bounded(400));
      // Sometimes more groups than the bytes fill: those read as zeros.
      const qsizetype groups = (bytes.size() + 63) / 64 + random.bounded(2);
      std::vector<ScriptMasks> got(static_cast<size_t>(groups));
      const qint64 lineEnds =
          scriptmasks::mask(kernel, bytes.constData(), bytes.size(), groups, got.data());
      QCOMPARE(lineEnds, qint64(bytes.count('\r')));
      std::uint32_t before = 0;
      for (qsizetype g = 0; g < groups; ++g) {
        const ScriptMasks want = expectedGroup(bytes, g * ScriptMasks::kGroup);
        const ScriptMasks& m = got[static_cast<size_t>(g)];
        QCOMPARE(m.quotes, want.quotes);
        QCOMPARE(m.lineEnds, want.lineEnds);
        QCOMPARE(m.hashes, want.hashes);
        QCOMPARE(m.loose, want.loose);
        QCOMPARE(m.lineFeeds, want.lineFeeds);
        QCOMPARE(m.lineEndsBefore, before);
        before += static_cast<std::uint32_t>(std::popcount(want.lineEnds));
      }
    }
  }

  // The kernel the scan uses is the widest this processor runs.
  void fastestIsTheWidest() {
    const Kernel expected = scriptmasks::canRun(Kernel::Avx2)   ? Kernel::Avx2
                            : scriptmasks::canRun(Kernel::Sse2) ? Kernel::Sse2
                                                                : Kernel::Scalar;
    QCOMPARE(scriptmasks::fastest(), expected);
  }
};

QTEST_GUILESS_MAIN(ScriptMasksTest)
#include "test_script_masks.moc"
