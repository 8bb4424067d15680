#include "LanguageServerMain.h"

#include <csignal>
#include <mutex>
#include <vector>

#include <QCoreApplication>

#include <unistd.h>

#include "DescriptorReader.h"
#include "LanguageServer.h"
#include "MainThreadQueue.h"
#include "MessageDecoder.h"
#include "ReportOutput.h"

namespace {

// The messages the reading thread has taken apart and the main thread has
// not yet taken.
class Inbox {
 public:
  void append(std::vector<lsp::Incoming>&& messages) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (lsp::Incoming& message : messages) messages_.push_back(std::move(message));
  }
  std::vector<lsp::Incoming> takeAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<lsp::Incoming> taken;
    taken.swap(messages_);
    return taken;
  }

 private:
  std::mutex mutex_;
  std::vector<lsp::Incoming> messages_;
};

}  // namespace

int runLanguageServer(const ServerSettings& settings) {
  // An editor that has gone shows as a failed write, not as a signal.
  std::signal(SIGPIPE, SIG_IGN);
  ReportOutput output;
  MainThreadQueue queue;
  int status = 1;
  LanguageServer server(
      settings, queue,
      [&output](const QJsonObject& message) {
        output.write(lsp::encodeMessage(message));
        output.flush();
      },
      [&status](int exitStatus) {
        status = exitStatus;
        QCoreApplication::exit(exitStatus);
      });

  // Messages are taken apart on the reading thread, so that a large one
  // being decoded holds up neither checks nor their publishing.
  Inbox inbox;
  lsp::MessageDecoder decoder;
  auto deliver = [&server, &inbox] {
    const std::vector<lsp::Incoming> messages = inbox.takeAll();
    if (!messages.empty()) server.receive(messages);
  };
  DescriptorReader reader(
      STDIN_FILENO,
      [&](QByteArrayView chunk) {
        decoder.feed(chunk);
        std::vector<lsp::Incoming> messages;
        for (lsp::Incoming message; decoder.next(&message);) messages.push_back(std::move(message));
        if (messages.empty()) return;
        inbox.append(std::move(messages));
        queue.push(deliver);
      },
      [&](const QString& error) {
        queue.push([&server, deliver, error] {
          deliver();
          server.inputEnded(error);
        });
      });
  reader.start();
  QCoreApplication::exec();
  reader.stop();
  return status;
}
