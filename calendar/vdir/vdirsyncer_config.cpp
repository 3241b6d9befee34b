#include "vdir/vdirsyncer_config.h"

#include <map>

#include <nlohmann/json.hpp>

#include "vdir/config_file.h"
#include "store.h"
#include "text.h"

namespace {

using Section = std::map<std::string, nlohmann::json>;

// vdirsyncer's values are JSON; a value that is not is kept as text.
nlohmann::json valueOf(const std::string& text) {
  nlohmann::json value = nlohmann::json::parse(text, nullptr, false);
  return value.is_discarded() ? nlohmann::json(text) : value;
}

std::string text(const Section& section, const std::string& key) {
  auto it = section.find(key);
  return it != section.end() && it->second.is_string() ? it->second.get<std::string>() : "";
}

int typeOfRemote(const std::string& storageType) {
  if (storageType == "http") return kSubscription;
  if (storageType == "caldav" || storageType == "google_calendar") return kCalDav;
  return kLocal;
}

void addSide(const Section& local, const Section& remote, const std::string& pair,
             bool collections, const EnvLookup& env, std::vector<SyncedFolder>* folders) {
  if (text(local, "type") != "filesystem") return;
  const std::string extension = text(local, "fileext");
  if (extension != ".ics") return;  // ".vcf" storages hold contacts
  SyncedFolder folder;
  folder.path = expandPath(text(local, "path"), env);
  if (folder.path.empty()) return;
  folder.collections = collections;
  folder.pair = pair;
  folder.type = typeOfRemote(text(remote, "type"));
  const std::string user = text(remote, "username");
  if (user.find('@') != std::string::npos) folder.addresses.push_back(lowerAscii(user));
  folders->push_back(std::move(folder));
}

}  // namespace

std::vector<SyncedFolder> readVdirsyncerConfig(const std::string& configText,
                                               const EnvLookup& env) {
  std::map<std::string, Section> storages;
  std::vector<std::pair<std::string, Section>> pairs;
  for (const ConfigEntry& entry : readConfigEntries(configText)) {
    if (entry.sections.size() != 1) continue;
    const std::string& header = entry.sections[0];
    if (header.starts_with("storage ")) {
      storages[header.substr(8)][entry.key] = valueOf(entry.value);
    } else if (header.starts_with("pair ")) {
      const std::string name = header.substr(5);
      if (pairs.empty() || pairs.back().first != name) pairs.emplace_back(name, Section{});
      pairs.back().second[entry.key] = valueOf(entry.value);
    }
  }
  std::vector<SyncedFolder> folders;
  for (const auto& [name, pair] : pairs) {
    auto collections = pair.find("collections");
    const bool hasCollections = collections != pair.end() && !collections->second.is_null();
    const Section& a = storages[text(pair, "a")];
    const Section& b = storages[text(pair, "b")];
    addSide(a, b, name, hasCollections, env, &folders);
    addSide(b, a, name, hasCollections, env, &folders);
  }
  return folders;
}
