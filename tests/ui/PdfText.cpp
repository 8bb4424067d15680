#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>

namespace pdftext {

namespace {

QString run(const QString& tool, const QStringList& arguments, QString* error) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    *error = tool + QStringLiteral(" failed: ") + process.errorString() +
             QString::fromLocal8Bit(process.readAllStandardError());
    return QString();
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

QStringList asRead(const QStringList& lines) {
  QStringList read;
  for (const QString& line : lines) {
    // Ligatures such as "fi" come back as one character; NFKC splits them.
    const QString simple = line.normalized(QString::NormalizationForm_KC).simplified();
    if (!simple.isEmpty()) read.append(simple);
  }
  return read;
}

QStringList lines(const QString& pdfPath, QString* error) {
  const QString text = run(QStringLiteral("pdftotext"), {pdfPath, QStringLiteral("-")}, error);
  return asRead(text.split(QLatin1Char('\n')));
}

QList<double> wordHeights(const QString& pdfPath, QString* error) {
  const QString html = run(QStringLiteral("pdftotext"),
                           {QStringLiteral("-bbox"), pdfPath, QStringLiteral("-")}, error);
  static const QRegularExpression word(
      QStringLiteral(R"re(<word [^>]*yMin="([0-9.]+)"[^>]*yMax="([0-9.]+)")re"));
  QList<double> heights;
  for (auto match = word.globalMatch(html); match.hasNext();) {
    const auto m = match.next();
    heights.append(m.captured(2).toDouble() - m.captured(1).toDouble());
  }
  return heights;
}

int pageCount(const QString& pdfPath, QString* error) {
  const QString info = run(QStringLiteral("pdfinfo"), {pdfPath}, error);
  static const QRegularExpression pages(QStringLiteral(R"(^Pages:\s+(\d+)$)"),
                                        QRegularExpression::MultilineOption);
  const auto m = pages.match(info);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace pdftext
