#include "FuzzTemp.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fuzz {

namespace fs = std::filesystem;

namespace {

std::string& Folder() {
  static std::string folder;
  return folder;
}

void RemoveFolder() {
  std::error_code ignored;
  if (!Folder().empty())
    fs::remove_all(Folder(), ignored);
}

std::string MakeFolder() {
  // The runner script points TMPDIR at a folder it cleans up, so that even
  // a crashed run leaves nothing behind.
  std::error_code ec;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr && *tmp != '\0' ? tmp : "/dev/shm";
  if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
    base = "/tmp";
  std::string pattern = base + "/ecucal-fuzz-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  return name.data();
}

}  // namespace

const std::string& TempFolder() {
  if (Folder().empty()) {
    Folder() = MakeFolder();
    std::atexit(RemoveFolder);
  }
  return Folder();
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out)
    return false;
  if (size > 0)
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

bool WriteFile(const std::string& path, const std::string& text) {
  return WriteFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void RemoveFile(const std::string& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

}  // namespace fuzz
