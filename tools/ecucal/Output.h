#pragma once

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "util/EnumMap.h"

namespace ecucal_cli {

// Exit statuses of every verb.
enum ExitStatus : int {
  kExitOk = 0,
  kExitInvalid = 1,     // the definition failed validation, or a cache did not verify
  kExitUnreadable = 2,  // the definition or its cache could not be read, or the cache written
  kExitBadRequest = 3,  // the definition is fine but the request names or holds something wrong
  kExitUsage = 64,      // the command line itself is malformed
  kExitInternal = 70,   // an unexpected failure inside the library or the tool
};

// A failure that ends the command: `main` prints the message on stderr and
// exits with the status.
class CommandError : public std::runtime_error {
 public:
  CommandError(int status, const std::string& message)
      : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

// Progress lines on stderr while a definition loads. Shown only when stderr
// is a terminal, so pipes, logs and tests see clean output; each step
// overwrites the previous one and Clear removes the last.
class Progress {
 public:
  Progress();
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Step(const std::string& text);
  void Clear();

 private:
  bool enabled_;
  bool shown_ = false;
};

// "0x0001A000".
std::string Hex32(uint32_t value);
// Bytes as upper-case hex pairs without separators ("0BB8").
std::string HexBytes(const std::vector<uint8_t>& bytes);
// Joins with ", "; "-" for an empty list.
std::string JoinOrDash(const std::vector<std::string>& items);
// A double in the shortest form that reads back ("0.5", "8000").
std::string ShortDouble(double value);

// The text of `value` in a vocabulary table; "unset" for -1 and values the
// table does not hold (a definition may carry any number in a cache file).
template <class E>
std::string Word(const util::enum_map<E, std::string>& table, E value) {
  if (static_cast<int64_t>(value) == -1)
    return "unset";
  auto found = table.find(value);
  if (found == table.end())
    return "unknown(" + std::to_string(static_cast<int64_t>(value)) + ")";
  return found->second;
}

// The keys of a store, sorted: stores iterate in hash order, people and
// tests want a stable listing.
template <class Store>
std::vector<std::string> SortedKeys(const Store& store) {
  std::vector<std::string> keys;
  for (const auto& entry : store)
    keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  return keys;
}

// Columns padded to their widest cell, two blanks apart.
class TextTable {
 public:
  explicit TextTable(std::vector<std::string> header);
  void AddRow(std::vector<std::string> cells);
  bool empty() const { return rows_.empty(); }
  void Print(std::ostream& out, const std::string& indent = "") const;

 private:
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

// Pretty-printed JSON and a newline on stdout.
void PrintJson(const nlohmann::json& document);

}  // namespace ecucal_cli
