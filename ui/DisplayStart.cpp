#include "DisplayStart.h"

#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QList>
#include <QString>

namespace {

struct HeldMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};

// What the platform plugins say while the application starts, held until
// it is known whether it started. Qt's message handler is a bare function,
// so it lives here, for the one start of the one application.
struct Start {
  QtMessageHandler previous = nullptr;
  QList<HeldMessage> held;
};

Start& theStart() {
  static Start start;
  return start;
}

bool isPlatformMessage(const QMessageLogContext& context) {
  return context.category != nullptr && QByteArray(context.category).startsWith("qt.qpa");
}

// The first thing the platform plugins said, which names the cause ("could
// not connect to display"), or else the first line of Qt's own complaint.
QString reasonOf(const QString& fatal) {
  const Start& start = theStart();
  QString reason = start.held.isEmpty() ? fatal.section(u'\n', 0, 0).trimmed()
                                        : start.held.first().text.section(u'\n', 0, 0).trimmed();
  // Only to a platform that opens a display by these variables is it news.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const bool displayed =
      platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
  if (displayed && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    reason += QStringLiteral(" (neither DISPLAY nor WAYLAND_DISPLAY is set)");
  return reason;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  Start& start = theStart();
  const bool noPlatform =
      type == QtFatalMsg && (!start.held.isEmpty() || text.contains(QLatin1StringView("platform")));
  if (noPlatform) {
    const QByteArray line = QStringLiteral("vornel-script-checker: cannot open a display: %1\n")
                                .arg(reasonOf(text))
                                .toLocal8Bit();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
    // Qt is partway through starting: nothing of it may be torn down.
    std::_Exit(EXIT_FAILURE);
  }
  if (type != QtFatalMsg && isPlatformMessage(context)) {
    start.held.append({type, QByteArray(context.category), text});
    return;
  }
  start.previous(type, context, text);
}

}  // namespace

DisplayStart::DisplayStart() {
  theStart().previous = qInstallMessageHandler(handle);
}

DisplayStart::~DisplayStart() {
  Start& start = theStart();
  qInstallMessageHandler(start.previous);
  const QList<HeldMessage> held = std::move(start.held);
  start.held.clear();
  for (const HeldMessage& message : held) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
    qt_message_output(message.type, context, message.text);
  }
}
