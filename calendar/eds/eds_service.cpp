#include "eds/eds_service.h"

#include <algorithm>

namespace eds {

EdsService::EdsService() : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
  started_ = Clock::now();
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    ready_ = true;  // no thread for the server: a store without its calendars
  }
}

EdsService::~EdsService() {
  stopping_ = true;
  g_main_context_invoke(context_, [](gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_REMOVE;
  }, loop_);
  if (thread_.joinable()) thread_.join();
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);
}

std::vector<CalendarRecord> EdsService::calendars() {
  std::vector<CalendarRecord> records;
  for (SourceInfo& source : sources()) records.push_back(std::move(source.record));
  return records;
}

int EdsService::listen(std::function<void()> onChange) {
  std::lock_guard<std::mutex> lock(listenersMutex_);
  listeners_[++lastListener_] = std::move(onChange);
  return lastListener_;
}

// Returns once no call of that listener runs.
void EdsService::unlisten(int id) {
  std::lock_guard<std::mutex> lock(listenersMutex_);
  listeners_.erase(id);
}

void EdsService::run() {
  g_main_context_push_thread_default(context_);
  GError* error = nullptr;
  ESourceRegistry* registry = e_source_registry_new_sync(nullptr, &error);
  g_clear_error(&error);
  if (registry) {
    for (const char* signal :
         {"source-added", "source-removed", "source-changed", "source-enabled", "source-disabled"}) {
      g_signal_connect(registry, signal, G_CALLBACK(+[](ESourceRegistry*, ESource*, gpointer self) {
                         static_cast<EdsService*>(self)->sourcesChanged();
                       }), this);
    }
    syncConnections(registry);
    snapshot_ = snapshot(registry);
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    registry_ = registry;
    ready_ = true;
  }
  changed_.notify_all();
  if (!stopping_) g_main_loop_run(loop_);
  if (registry) g_signal_handlers_disconnect_by_data(registry, this);
  dropMergeTimer();
  std::map<std::string, std::unique_ptr<Connection>> connections;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connections.swap(connections_);
  }
  for (auto& [uid, connection] : connections) close(connection.get());
  if (registry) g_object_unref(registry);
  g_main_context_pop_thread_default(context_);
}

void EdsService::dropMergeTimer() {
  if (!mergeTimer_) return;
  g_source_destroy(mergeTimer_);
  g_source_unref(mergeTimer_);
  mergeTimer_ = nullptr;
}

// On the service's thread: one change call for a burst of changes.
void EdsService::scheduleChange() {
  burst_.add(Clock::now());
  armMergeTimer();
}

void EdsService::armMergeTimer() {
  dropMergeTimer();
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(burst_.due() - Clock::now());
  mergeTimer_ = g_timeout_source_new(static_cast<guint>(std::max<long long>(0, wait.count())));
  g_source_set_callback(mergeTimer_, [](gpointer self) {
    auto* service = static_cast<EdsService*>(self);
    g_source_unref(service->mergeTimer_);
    service->mergeTimer_ = nullptr;
    if (!service->burst_.take(Clock::now())) {
      service->armMergeTimer();  // woken before the due time
      return G_SOURCE_REMOVE;
    }
    std::lock_guard<std::mutex> lock(service->listenersMutex_);
    for (const auto& [id, listener] : service->listeners_) listener();
    return G_SOURCE_REMOVE;
  }, this, nullptr);
  g_source_attach(mergeTimer_, context_);
}

}  // namespace eds
