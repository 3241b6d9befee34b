#include "vdir/vdir_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "utf8.h"

namespace {

bool isFolder(const std::string& dir, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
  struct stat info;
  return ::stat((dir + "/" + entry.d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string parentFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isItemName(const std::string& name) { return name.size() > 4 && name.ends_with(".ics"); }

std::string nameText(const std::string& name) {
  static const char* kHex = "0123456789ABCDEF";
  std::string text;
  for (size_t at = 0; at < name.size();) {
    const size_t length = validUtf8Length(name, at);
    if (length > 0 && name[at] != '%') {
      text.append(name, at, length);
      at += length;
      continue;
    }
    const auto byte = static_cast<unsigned char>(name[at++]);
    text += '%';
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

std::vector<std::string> subfolders(const std::string& dir, bool stopAtItem, bool* hasItem) {
  std::vector<std::string> folders;
  *hasItem = false;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return folders;
  while (dirent* entry = ::readdir(d)) {
    if (entry->d_name[0] == '.') continue;
    if (isFolder(dir, *entry)) {
      folders.push_back(entry->d_name);
    } else if (isItemName(entry->d_name)) {
      *hasItem = true;
      if (stopAtItem) break;
    }
  }
  ::closedir(d);
  std::sort(folders.begin(), folders.end());
  return folders;
}
