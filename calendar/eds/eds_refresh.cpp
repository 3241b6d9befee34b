#include "eds/eds_service.h"

#include <algorithm>

#include "eds/eds_mapping.h"

namespace eds {

std::vector<EventRecord> EdsService::events(Instant start, Instant end) {
  const std::vector<SourceInfo> listed = sources();
  std::unique_lock<std::mutex> lock(mutex_);
  // A calendar whose first contents never come is waited for once, not on every query.
  auto waiting = [this] {
    return std::any_of(connections_.begin(), connections_.end(), [](const auto& c) {
      return !c.second->complete && Clock::now() < c.second->opened + kFirstContents;
    });
  };
  while (waiting()) changed_.wait_for(lock, std::chrono::milliseconds(100));
  refresh(listed);
  return window_.events(ordered_, start, end);
}

// On the querying thread, under the mutex: reads changed items again and
// lists the items in calendar order for the window.
void EdsService::refresh(const std::vector<SourceInfo>& listed) {
  if (membersChanged_) {
    addresses_ = registry_ ? identityAddresses(registry_) : std::vector<std::string>{};
    membersChanged_ = false;
  }
  std::string order;
  for (const SourceInfo& source : listed) order += source.uid + '\n';
  bool changed = order != order_;
  for (const SourceInfo& source : listed) {
    auto found = connections_.find(source.uid);
    if (found == connections_.end()) continue;
    Connection& connection = *found->second;
    ItemOwner owner{source.record.id, "", connection.addresses, source.record.type == kBirthday};
    owner.addresses.insert(owner.addresses.end(), addresses_.begin(), addresses_.end());
    if (ownerKey(owner) != connection.owner) {
      // Records carry their owner's values: every item is read again.
      connection.owner = ownerKey(owner);
      connection.items.clear();
      for (const auto& [uid, components] : connection.objects) connection.dirty.insert(uid);
      changed = true;
    }
    for (const std::string& uid : connection.dirty) {
      auto object = connection.objects.find(uid);
      if (object == connection.objects.end() || object->second.empty()) {
        connection.items.erase(uid);
        continue;
      }
      owner.itemId = source.record.id + "/" + uid;
      const std::string text = itemText(object->second, zonesFor(connection, object->second));
      connection.items[uid] = readIcsItem(text, owner);
    }
    if (!connection.dirty.empty()) changed = true;
    connection.dirty.clear();
  }
  if (!changed) return;
  window_.clear();
  ordered_.clear();
  for (const SourceInfo& source : listed) {
    auto found = connections_.find(source.uid);
    if (found == connections_.end()) continue;
    for (const auto& [uid, item] : found->second->items) ordered_.push_back(item);
  }
  order_ = order;
}

}  // namespace eds
