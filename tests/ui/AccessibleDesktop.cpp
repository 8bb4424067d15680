#include "AccessibleDesktop.h"

#include <sys/prctl.h>

#include <csignal>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QUuid>

// After Qt's headers: Xlib defines names, such as None and Bool, that they use.
#include <X11/Xlib.h>

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kCallTimeoutMs = 5000;
constexpr int kDeepest = 8;

const QString kRegistry = QStringLiteral("org.a11y.atspi.Registry");
const QString kRoot = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");

struct Node {
  QString service;
  QString path;
};

QString findTool(const QString& name) {
  const QString inPath = QStandardPaths::findExecutable(name);
  if (!inPath.isEmpty()) return inPath;
  return QStandardPaths::findExecutable(name, {QStringLiteral("/usr/bin")});
}

// Reads one line a child process writes on stdout, such as the display
// number Xvfb prints once it accepts clients.
QString firstLine(QProcess& process) {
  QElapsedTimer waited;
  waited.start();
  process.waitForStarted();
  while (!process.canReadLine() && process.state() == QProcess::Running &&
         waited.elapsed() < kStartTimeoutMs) {
    process.waitForReadyRead(200);
  }
  return QString::fromLocal8Bit(process.readLine()).trimmed();
}

QDBusMessage call(const QDBusConnection& bus, const Node& node, const QString& interface,
                  const QString& method, const QVariantList& arguments = {}) {
  QDBusMessage message = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
  message.setArguments(arguments);
  return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

QString text(const QDBusMessage& reply) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return QString();
  const QVariant value = reply.arguments().constFirst();
  if (value.canConvert<QDBusVariant>()) return value.value<QDBusVariant>().variant().toString();
  return value.toString();
}

QList<Node> children(const QDBusConnection& bus, const Node& node) {
  const QDBusMessage reply = call(bus, node, kAccessible, QStringLiteral("GetChildren"));
  QList<Node> nodes;
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return nodes;
  const auto array = reply.arguments().constFirst().value<QDBusArgument>();
  array.beginArray();
  while (!array.atEnd()) {
    QString service;
    QDBusObjectPath path;
    array.beginStructure();
    array >> service >> path;
    array.endStructure();
    nodes.append({service, path.path()});
  }
  array.endArray();
  return nodes;
}

QString nameOf(const QDBusConnection& bus, const Node& node) {
  return text(call(bus, node, QStringLiteral("org.freedesktop.DBus.Properties"),
                   QStringLiteral("Get"), {kAccessible, QStringLiteral("Name")}));
}

void describe(const QDBusConnection& bus, const Node& node, int depth, QStringList* lines) {
  const QString role = text(call(bus, node, kAccessible, QStringLiteral("GetRoleName")));
  lines->append(role + QStringLiteral(": ") + nameOf(bus, node));
  if (role == QStringLiteral("text")) {
    QString contents = text(
        call(bus, node, QStringLiteral("org.a11y.atspi.Text"), QStringLiteral("GetText"), {0, -1}));
    contents.replace(QChar::LineSeparator, QLatin1Char('\n'));
    contents.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    lines->append(QStringLiteral("contents: ") + contents);
  }
  if (depth == kDeepest) return;
  for (const Node& child : children(bus, node)) describe(bus, child, depth + 1, lines);
}

void endWithTheTest(QProcess& process) {
  // Should the test crash, the server goes with it instead of lingering.
  process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

void stopProcess(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished();
  }
}

}  // namespace

AccessibleDesktop::AccessibleDesktop() : root_(QStringLiteral("/tmp/vornel-desktop-XXXXXX")) {}

AccessibleDesktop::~AccessibleDesktop() {
  stop();
}

bool AccessibleDesktop::start(QString* error) {
  if (!root_.isValid()) {
    *error = QStringLiteral("cannot make a temporary folder: ") + root_.errorString();
    return false;
  }
  return startXvfb(error) && startSessionBus(error);
}

bool AccessibleDesktop::startXvfb(QString* error) {
  const QString xvfb = findTool(QStringLiteral("Xvfb"));
  if (xvfb.isEmpty()) {
    *error = QStringLiteral("Xvfb not found; scripts/install-deps installs the xvfb package");
    return false;
  }
  endWithTheTest(xvfb_);
  xvfb_.setProcessChannelMode(QProcess::SeparateChannels);
  // -displayfd picks a free display and writes its number on stdout once
  // the server takes clients. -noreset: by default the server resets when
  // its last client leaves, and a reset drops every connection still being
  // set up. The accessibility registry, started by the first read of the
  // tree, opens a connection and closes it again just as the program under
  // test connects; on a busy machine the program's connection was dropped
  // that way and it ended saying it could not open the display. A desktop
  // session never resets its server either.
  xvfb_.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1024x768x24")});
  const QString number = firstLine(xvfb_);
  if (number.isEmpty()) {
    *error = QStringLiteral("Xvfb gave no display: ") +
             QString::fromLocal8Bit(xvfb_.readAllStandardError());
    return false;
  }
  display_ = QLatin1Char(':') + number;
  return true;
}

bool AccessibleDesktop::startSessionBus(QString* error) {
  const QString daemon = findTool(QStringLiteral("dbus-daemon"));
  if (daemon.isEmpty()) {
    *error = QStringLiteral("dbus-daemon not found; scripts/install-deps installs dbus");
    return false;
  }
  // The accessibility bus is started by the session bus on request, with
  // this environment: it finds the display, and keeps its socket here.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), display_);
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root_.path());
  bus_.setProcessEnvironment(environment);
  endWithTheTest(bus_);
  bus_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1"),
                      QStringLiteral("--address=unix:dir=") + root_.path()});
  sessionBus_ = firstLine(bus_);
  if (sessionBus_.isEmpty()) {
    *error = QStringLiteral("dbus-daemon gave no address: ") +
             QString::fromLocal8Bit(bus_.readAllStandardError());
    return false;
  }
  const QString name = QUuid::createUuid().toString(QUuid::Id128);
  QDBusConnection session = QDBusConnection::connectToBus(sessionBus_, QStringLiteral("s") + name);
  const QDBusMessage reply =
      call(session, {QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus")},
           QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
  accessibilityBus_ = text(reply);
  QDBusConnection::disconnectFromBus(QStringLiteral("s") + name);
  if (accessibilityBus_.isEmpty()) {
    *error =
        QStringLiteral("no accessibility bus (at-spi2-core installed?): ") + reply.errorMessage();
    return false;
  }
  return true;
}

void AccessibleDesktop::stop() {
  stopProcess(bus_);
  stopProcess(xvfb_);
}

QProcessEnvironment AccessibleDesktop::environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), display_);
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus_);
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root_.path());
  // Qt otherwise joins the accessibility bus only when a screen reader
  // has asked for it through the desktop's settings.
  environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
  return environment;
}

QStringList AccessibleDesktop::read(const QString& application) const {
  const QString name = QStringLiteral("a") + QUuid::createUuid().toString(QUuid::Id128);
  QStringList lines;
  {
    const QDBusConnection bus = QDBusConnection::connectToBus(accessibilityBus_, name);
    for (const Node& app : children(bus, {kRegistry, kRoot})) {
      if (nameOf(bus, app) == application) describe(bus, app, 0, &lines);
    }
  }
  QDBusConnection::disconnectFromBus(name);
  return lines;
}

qint64 AccessibleDesktop::processOf(const QString& application) const {
  const QString name = QStringLiteral("p") + QUuid::createUuid().toString(QUuid::Id128);
  qint64 process = 0;
  {
    const QDBusConnection bus = QDBusConnection::connectToBus(accessibilityBus_, name);
    for (const Node& app : children(bus, {kRegistry, kRoot})) {
      if (nameOf(bus, app) != application) continue;
      const QDBusMessage reply = call(
          bus, {QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus")},
          QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"),
          {app.service});
      if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        process = reply.arguments().constFirst().toLongLong();
      }
    }
  }
  QDBusConnection::disconnectFromBus(name);
  return process;
}

bool AccessibleDesktop::closeWindow(const QString& title) const {
  Display* x = XOpenDisplay(display_.toLocal8Bit().constData());
  if (!x) return false;
  Window root = 0;
  Window parent = 0;
  Window* windows = nullptr;
  unsigned count = 0;
  XQueryTree(x, DefaultRootWindow(x), &root, &parent, &windows, &count);
  bool asked = false;
  for (unsigned i = 0; i < count; ++i) {
    char* name = nullptr;
    if (XFetchName(x, windows[i], &name) && QString::fromUtf8(name) == title) {
      XEvent close{};
      close.xclient.type = ClientMessage;
      close.xclient.window = windows[i];
      close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
      close.xclient.format = 32;
      close.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
      close.xclient.data.l[1] = CurrentTime;
      asked = XSendEvent(x, windows[i], False, NoEventMask, &close) != 0;
    }
    if (name) XFree(name);
  }
  if (windows) XFree(windows);
  XCloseDisplay(x);
  return asked;
}
