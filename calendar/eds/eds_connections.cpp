#include "eds/eds_service.h"

#include "eds/eds_mapping.h"

#include "text.h"

namespace eds {

// On the service's thread: a connection for each calendar, none for the gone.
void EdsService::syncConnections(ESourceRegistry* registry) {
  std::set<std::string> wanted;
  for (ESource* source : calendarSources(registry)) {
    const std::string uid = e_source_get_uid(source);
    wanted.insert(uid);
    bool known;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      known = connections_.count(uid) > 0;
    }
    if (!known) {
      auto connection = open(source);
      std::lock_guard<std::mutex> lock(mutex_);
      connections_[uid] = std::move(connection);
      membersChanged_ = true;
    }
    g_object_unref(source);
  }
  std::vector<std::unique_ptr<Connection>> gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if (wanted.count(it->first)) {
        ++it;
        continue;
      }
      gone.push_back(std::move(it->second));
      it = connections_.erase(it);
      membersChanged_ = true;
    }
  }
  for (auto& connection : gone) close(connection.get());
  changed_.notify_all();
}

std::unique_ptr<Connection> EdsService::open(ESource* source) {
  auto connection = std::make_unique<Connection>();
  connection->service = this;
  connection->uid = e_source_get_uid(source);
  GError* error = nullptr;
  // A wait of 0 for the backend's connection hung; (guint32) -1 means none.
  EClient* client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                              static_cast<guint32>(-1), nullptr, &error);
  g_clear_error(&error);
  if (!client) {
    connection->complete = true;  // nothing to wait for
    return connection;
  }
  connection->client = E_CAL_CLIENT(client);
  g_signal_connect(client, "backend-died", G_CALLBACK(backendDied), connection.get());
  gchar* email = nullptr;
  if (e_client_get_backend_property_sync(client, E_CAL_BACKEND_PROPERTY_CAL_EMAIL_ADDRESS, &email,
                                         nullptr, nullptr)) {
    const std::string address = lowerAscii(taken(email));
    if (!address.empty()) connection->addresses.push_back(address);
  }
  if (e_source_has_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND)) {
    auto* webdav = E_SOURCE_WEBDAV(e_source_get_extension(source, E_SOURCE_EXTENSION_WEBDAV_BACKEND));
    const std::string address = lowerAscii(taken(e_source_webdav_dup_email_address(webdav)));
    if (!address.empty()) connection->addresses.push_back(address);
  }
  if (!e_cal_client_get_view_sync(connection->client, "#t", &connection->view, nullptr, &error)) {
    g_clear_error(&error);
    connection->complete = true;
    return connection;
  }
  g_signal_connect(connection->view, "objects-added", G_CALLBACK(objectsChanged), connection.get());
  g_signal_connect(connection->view, "objects-modified", G_CALLBACK(objectsChanged), connection.get());
  g_signal_connect(connection->view, "objects-removed", G_CALLBACK(objectsRemoved), connection.get());
  g_signal_connect(connection->view, "complete", G_CALLBACK(viewComplete), connection.get());
  e_cal_client_view_start(connection->view, &error);
  if (error) {
    g_clear_error(&error);
    connection->complete = true;
  }
  return connection;
}

void EdsService::close(Connection* connection) {
  if (connection->client) g_signal_handlers_disconnect_by_data(connection->client, connection);
  if (connection->view) {
    g_signal_handlers_disconnect_by_data(connection->view, connection);
    e_cal_client_view_stop(connection->view, nullptr);
    g_object_unref(connection->view);
  }
  if (connection->client) g_object_unref(connection->client);
}

// On the service's thread: a calendar's backend process ended. Its
// connection is dropped and made again.
void EdsService::backendDied(EClient*, gpointer data) {
  auto* connection = static_cast<Connection*>(data);
  EdsService* service = connection->service;
  std::unique_ptr<Connection> gone;
  {
    std::lock_guard<std::mutex> lock(service->mutex_);
    auto found = service->connections_.find(connection->uid);
    if (found == service->connections_.end() || found->second.get() != connection) return;
    gone = std::move(found->second);
    service->connections_.erase(found);
    service->membersChanged_ = true;
  }
  close(gone.get());
  service->scheduleSync();
  service->scheduleChange();
}

}  // namespace eds
