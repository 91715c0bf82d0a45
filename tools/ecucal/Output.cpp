#include "Output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>

namespace ecucal_cli {

Progress::Progress() : enabled_(isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
  Clear();
}

void Progress::Step(const std::string& text) {
  if (!enabled_)
    return;
  // Carriage return and erase-line keep the status on one line.
  std::cerr << "\r\033[K"
            << "ecucal: " << text << "..." << std::flush;
  shown_ = true;
}

void Progress::Clear() {
  if (!shown_)
    return;
  std::cerr << "\r\033[K" << std::flush;
  shown_ = false;
}

std::string Hex32(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
  return buffer;
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string JoinOrDash(const std::vector<std::string>& items) {
  if (items.empty())
    return "-";
  std::string text;
  for (const std::string& item : items) {
    if (!text.empty())
      text += ", ";
    text += item;
  }
  return text;
}

std::string ShortDouble(double value) {
  std::ostringstream out;
  out.precision(15);
  out << value;
  return out.str();
}

TextTable::TextTable(std::vector<std::string> header) : header_(std::move(header)) {}

void TextTable::AddRow(std::vector<std::string> cells) {
  cells.resize(header_.size());
  rows_.push_back(std::move(cells));
}

void TextTable::Print(std::ostream& out, const std::string& indent) const {
  std::vector<size_t> widths(header_.size(), 0);
  auto measure = [&widths](const std::vector<std::string>& cells) {
    for (size_t i = 0; i < cells.size(); ++i)
      widths[i] = std::max(widths[i], cells[i].size());
  };
  measure(header_);
  for (const auto& row : rows_)
    measure(row);

  auto print = [&](const std::vector<std::string>& cells) {
    std::string line = indent;
    for (size_t i = 0; i < cells.size(); ++i) {
      line += cells[i];
      if (i + 1 < cells.size())
        line += std::string(widths[i] - cells[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ')
      line.pop_back();
    out << line << '\n';
  };
  print(header_);
  for (const auto& row : rows_)
    print(row);
}

void PrintJson(const nlohmann::json& document) {
  // Replacement of invalid UTF-8 keeps a definition with odd bytes in an id
  // from aborting the output.
  std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace ecucal_cli
