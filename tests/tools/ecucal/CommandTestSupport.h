// What the end-to-end tests of the command share: a scratch folder holding a
// copy of the shared fixture, and a run of the built binary with its output.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace command_test {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
  nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

// Single-quoted for the shell.
inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A fresh folder holding a copy of the shared fixture (vehicle/), removed
// at the end of the test.
class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ecucal-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    fs::copy(fs::path(ECUCAL_TEST_DATA_DIR) / "vehicle", scratch_ / "vehicle",
             fs::copy_options::recursive);
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  // Runs the built command with `args`, stdin closed.
  Result Run(const std::vector<std::string>& args) const {
    std::string command = Quote(ECUCAL_CLI_PATH);
    for (const std::string& arg : args)
      command += " " + Quote(arg);
    const fs::path out = scratch_ / "stdout.txt";
    const fs::path err = scratch_ / "stderr.txt";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    Result result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
  }

  fs::path scratch_;
};

}  // namespace command_test
