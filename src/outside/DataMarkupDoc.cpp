#include "outside/DataMarkupDoc.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace vexa_xml {

namespace fs = std::filesystem;

namespace {

struct FolderEntry {
  const DataMarkupDoc* doc;
  std::string folder;
};

std::vector<FolderEntry>& FolderStack() {
  thread_local std::vector<FolderEntry> stack;
  return stack;
}

// Switches TinyXML's process-wide whitespace setting for one parse.
class CondenseWhiteSpaceScope {
 public:
  explicit CondenseWhiteSpaceScope(bool condense) : saved_(TiXmlBase::IsWhiteSpaceCondensed()) {
    TiXmlBase::SetCondenseWhiteSpace(condense);
  }
  ~CondenseWhiteSpaceScope() { TiXmlBase::SetCondenseWhiteSpace(saved_); }
  CondenseWhiteSpaceScope(const CondenseWhiteSpaceScope&) = delete;
  CondenseWhiteSpaceScope& operator=(const CondenseWhiteSpaceScope&) = delete;

 private:
  bool saved_;
};

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

// Reads the whole file into `text`; on failure returns a description of the problem.
bool ReadFile(const std::string& path, std::string& text, std::string& problem) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) {
    problem = "cannot open (no such file)";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    problem = "cannot open (not a regular file)";
    return false;
  }
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > DataMarkupDoc::kMaxFileBytes) {
    problem = "file is larger than " + std::to_string(DataMarkupDoc::kMaxFileBytes) + " bytes";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = "cannot open";
    return false;
  }
  // The size is checked while reading, so a file that grows meanwhile is still refused.
  text.clear();
  if (!ec)
    text.reserve(static_cast<size_t>(size));
  char buffer[65536];
  while (in) {
    in.read(buffer, sizeof buffer);
    text.append(buffer, static_cast<size_t>(in.gcount()));
    if (text.size() > DataMarkupDoc::kMaxFileBytes) {
      problem = "file is larger than " + std::to_string(DataMarkupDoc::kMaxFileBytes) + " bytes";
      return false;
    }
  }
  if (in.bad()) {
    problem = "read error";
    return false;
  }
  if (text.empty()) {
    problem = "file is empty";
    return false;
  }
  if (text.find('\0') != std::string::npos) {
    problem = "file contains a NUL byte";
    return false;
  }
  return true;
}

// Line ends become '\n', as TinyXML's own file loader does before parsing.
void NormalizeLineEnds(std::string& text) {
  // Most documents have no carriage return at all: leave them untouched
  // instead of copying megabytes byte by byte.
  if (text.find('\r') == std::string::npos)
    return;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else {
      out += text[i];
    }
  }
  text.swap(out);
}

bool StartsWith(const std::string& text, size_t pos, const char* prefix) {
  return text.compare(pos, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Position just past the first `end` at or after `from`; the end of `text` when there is none.
size_t SkipPast(const std::string& text, size_t from, const char* end) {
  const size_t found = text.find(end, from);
  return found == std::string::npos ? text.size() : found + std::char_traits<char>::length(end);
}

// TinyXML's test for the first character of an element name: a letter, '_', or any byte
// outside ASCII.
bool StartsElementName(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 127 || std::isalpha(byte) || c == '_';
}

// Whether no element in `text` lies deeper than `limit`. Follows TinyXML's reading of markup
// (comments, CDATA, declarations and other "<!"/"<?" items end where TinyXML ends them; quoted
// attribute values may hold '>'), so that nothing it would nest goes uncounted; where the two
// could read a text differently TinyXML stops with an error first.
bool NestingWithin(const std::string& text, size_t limit) {
  size_t depth = 0;
  size_t pos = 0;
  while ((pos = text.find('<', pos)) != std::string::npos) {
    // Most markup is a start or end tag: look at the next character before
    // comparing longer prefixes.
    const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
    if (next == '!' && StartsWith(text, pos, "<!--")) {
      pos = SkipPast(text, pos + 4, "-->");
    } else if (next == '!' && StartsWith(text, pos, "<![CDATA[")) {
      pos = SkipPast(text, pos + 9, "]]>");
    } else if (next == '/') {
      if (depth > 0)
        --depth;
      pos = SkipPast(text, pos + 2, ">");
    } else if (pos + 1 < text.size() && StartsElementName(next)) {
      if (++depth > limit)
        return false;
      // To the '>' that ends the tag, stepping over quoted values. The text
      // holds no NUL (files with one are refused before), so the C string
      // search sees all of it and can look at many bytes at a time.
      const char* const base = text.c_str();
      size_t end = pos + 1;
      while (end < text.size()) {
        const char* hit = std::strpbrk(base + end, "\"'>");
        if (hit == nullptr) {
          end = text.size();
          break;
        }
        end = static_cast<size_t>(hit - base);
        if (*hit == '>')
          break;
        const size_t close = text.find(*hit, end + 1);
        end = close == std::string::npos ? text.size() : close + 1;
      }
      if (end < text.size() && text[end - 1] == '/')
        --depth;
      pos = end;
    } else {
      // Declarations, DOCTYPE and anything else TinyXML keeps as an unknown item.
      pos = SkipPast(text, pos + 1, ">");
    }
  }
  return true;
}

}  // namespace

DataMarkupDoc::DataMarkupDoc() = default;

DataMarkupDoc::~DataMarkupDoc() {
  _Unregister();
}

void DataMarkupDoc::_Unregister() {
  auto& stack = FolderStack();
  auto it = std::find_if(stack.rbegin(), stack.rend(),
                         [this](const FolderEntry& e) { return e.doc == this; });
  if (it != stack.rend()) {
    stack.erase(std::next(it).base());
  }
}

std::string DataMarkupDoc::ResolvePath(const std::string& path) {
  const fs::path p(path);
  const auto& stack = FolderStack();
  if (p.is_absolute() || stack.empty() || stack.back().folder.empty()) {
    return path;
  }
  return (fs::path(stack.back().folder) / p).string();
}

bool DataMarkupDoc::InitFromFile(const std::string& path, std::string& error,
                                 XmlLoadOpts_e options) {
  Clear();
  ClearError();
  filePath_.clear();
  _Unregister();

  if (path.empty()) {
    error += "Cannot load XML document: empty file path\n";
    return false;
  }
  const std::string resolved = (options & XML_LOAD_RELATIVE_TO_CWD) != 0 ? path : ResolvePath(path);
  SetValue(resolved);

  std::string text;
  std::string problem;
  if (!ReadFile(resolved, text, problem)) {
    error += "Cannot load XML document " + Quoted(resolved) + ": " + problem + "\n";
    return false;
  }
  if (!NestingWithin(text, kMaxNestingDepth)) {
    error += "Cannot load XML document " + Quoted(resolved) + ": elements nested deeper than " +
             std::to_string(kMaxNestingDepth) + " levels\n";
    return false;
  }
  NormalizeLineEnds(text);
  {
    CondenseWhiteSpaceScope scope((options & XML_LOAD_PRESERVE_WHITESPACE) == 0);
    Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    if (Error() && TabSize() < 1) {
      // Positions were not counted; parse again with them to say where the error is.
      const int tab_size = TabSize();
      SetTabSize(kDefaultTabSize);
      Clear();
      Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
      SetTabSize(tab_size);
    }
  }
  if (Error()) {
    error += "XML error in " + Quoted(resolved) + " at line " + std::to_string(ErrorRow()) +
             ", column " + std::to_string(ErrorCol()) + ": " + ErrorDesc() + "\n";
    Clear();
    return false;
  }

  filePath_ = resolved;
  FolderStack().push_back(FolderEntry{this, fs::path(resolved).parent_path().string()});
  return true;
}

}  // namespace vexa_xml
