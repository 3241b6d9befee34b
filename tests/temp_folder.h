#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

// A fresh folder under /tmp, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() /
              (name + "-" + std::to_string(getpid()) + "-" + std::to_string(counter()++))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }

  // Writes `contents` to `relative`, creating folders on the way.
  void write(const std::string& relative, const std::string& contents) const {
    std::filesystem::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << contents;
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path path_;
};
