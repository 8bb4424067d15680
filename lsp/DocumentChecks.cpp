#include "DocumentChecks.h"

#include <QUrl>

DocumentChecks::DocumentChecks(MainThreadQueue& queue, TextOf textOf, Publish publish, int threads)
    : queue_(queue), textOf_(std::move(textOf)), publish_(std::move(publish)), threads_(threads) {}

DocumentChecks::~DocumentChecks() {
  for (auto& [uri, state] : states_) {
    if (state.stop) *state.stop = true;
  }
}

void DocumentChecks::setSetup(std::shared_ptr<const CheckSetup> setup) {
  setup_ = std::move(setup);
  for (auto& [uri, state] : states_) checkNow(uri);
}

DocumentChecks::State& DocumentChecks::stateOf(const QString& uri) {
  State& state = states_[uri];
  if (!state.timer) {
    state.timer = std::make_unique<QTimer>();
    state.timer->setSingleShot(true);
    // The settling time is a promise to the editor; a coarse timer may add 5%.
    state.timer->setTimerType(Qt::PreciseTimer);
    // The timer goes with its state, so the state is there when it fires.
    QObject::connect(state.timer.get(), &QTimer::timeout, [this, uri] {
      State& settled = states_.at(uri);
      if (settled.runningGeneration != 0) {
        settled.wanted = true;
      } else {
        start(uri, settled);
      }
    });
  }
  return state;
}

void DocumentChecks::changed(State& state) {
  state.generation = ++lastGeneration_;
  if (state.stop) *state.stop = true;
}

void DocumentChecks::checkSoon(const QString& uri) {
  State& state = stateOf(uri);
  changed(state);
  state.timer->start(kSettleMilliseconds);
}

void DocumentChecks::checkNow(const QString& uri) {
  State& state = stateOf(uri);
  changed(state);
  state.timer->stop();
  if (state.runningGeneration != 0) {
    state.wanted = true;
  } else {
    start(uri, state);
  }
}

void DocumentChecks::forget(const QString& uri) {
  const auto found = states_.find(uri);
  if (found == states_.end()) return;
  if (found->second.stop) *found->second.stop = true;
  states_.erase(found);
}

void DocumentChecks::start(const QString& uri, State& state) {
  QByteArray text;
  qint64 version = 0;
  if (!setup_ || !textOf_(uri, &text, &version)) return;
  // A script the project excludes is not checked: it gets an empty list,
  // which takes back what an earlier setup showed, and nothing more.
  if (const QUrl url(uri); url.isLocalFile() && setup_->excludes.excludes(url.toLocalFile())) {
    state.wanted = false;
    publish_(uri, version, QJsonArray());
    return;
  }
  const quint64 generation = state.generation;
  state.runningGeneration = generation;
  state.wanted = false;
  state.stop = std::make_shared<std::atomic<bool>>(false);
  threads_.post([this, uri, generation, version, text, setup = setup_, stop = state.stop] {
    DocumentCheck check = checkDocument(*setup, text, *stop);
    // The setup goes along, for the table rows the warnings point into.
    queue_.push([this, uri, generation, version, check = std::move(check), setup] {
      finished(uri, generation, version, check);
    });
  });
}

void DocumentChecks::finished(const QString& uri, quint64 generation, qint64 version,
                              const DocumentCheck& check) {
  const auto found = states_.find(uri);
  // A check of a script closed since, or of an earlier opening of it.
  if (found == states_.end() || found->second.runningGeneration != generation) return;
  State& state = found->second;
  state.runningGeneration = 0;
  if (state.wanted) {
    start(uri, state);
  } else if (generation == state.generation && !check.stopped) {
    publish_(uri, version, diagnosticsOf(check));
  }
}
