#pragma once

#include <cstddef>
#include <string>

#include <tinyxml.h>

namespace vexa_xml {

// Options for loading a document; values may be combined with |.
enum XmlLoadOpts_e : int {
  XML_LOAD_DEFAULT = 0,
  // Keep runs of whitespace in element text as written instead of condensing them to one
  // blank. TinyXML holds this setting process-wide; it is switched for the duration of the
  // parse and restored afterwards, so such loads must not run beside other TinyXML parsing.
  XML_LOAD_PRESERVE_WHITESPACE = 1 << 0,
  // Resolve a relative path against the process working directory even while another
  // document is being loaded, instead of against that document's folder.
  XML_LOAD_RELATIVE_TO_CWD = 1 << 1,
};

inline XmlLoadOpts_e operator|(XmlLoadOpts_e a, XmlLoadOpts_e b) {
  return static_cast<XmlLoadOpts_e>(static_cast<int>(a) | static_cast<int>(b));
}

// A TinyXML document that loads itself from a file.
//
// Relative paths resolve against the folder of the document being loaded: each thread keeps a
// stack of the folders of the live DataMarkupDocs that were loaded from a file, most recent on
// top. A document loaded while another is alive (an included document, loaded depth first while
// its including document is still on the caller's stack) therefore resolves against the
// including document's folder; with no document alive, relative paths resolve against the
// process working directory. A document leaves the stack when it is destroyed, in any order.
//
// Not copyable: its place on the folder stack belongs to the object.
class DataMarkupDoc : public TiXmlDocument {
 public:
  // Files larger than this are refused.
  static const size_t kMaxFileBytes = 256u * 1024u * 1024u;
  // Documents whose elements nest deeper than this are refused before parsing: TinyXML
  // parses and frees elements recursively, so a hostile nesting would overflow the stack.
  // Real definitions nest a handful of levels.
  static const size_t kMaxNestingDepth = 256;
  // TinyXML's own tab size, used to place parse errors.
  static const int kDefaultTabSize = 4;

  DataMarkupDoc();
  ~DataMarkupDoc() override;
  DataMarkupDoc(const DataMarkupDoc&) = delete;
  DataMarkupDoc& operator=(const DataMarkupDoc&) = delete;

  // Reads and parses the file at `path` (resolved by ResolvePath) into this document, replacing
  // what it held; the document's value becomes the resolved path. On failure the document is
  // left empty, a one-line description ending in '\n' (the file and the reason: cannot open,
  // not a regular file, empty, too large, nested too deeply, or TinyXML's message with line and
  // column) is appended to `error`, and false is returned.
  //
  // Elements carry their row and column (TiXmlBase::Row/Column) unless the tab size was set to
  // 0 beforehand (TiXmlDocument::SetTabSize): TinyXML then skips counting positions, which
  // makes parsing faster; the line and column of a parse error are reported either way.
  bool InitFromFile(const std::string& path, std::string& error,
                    XmlLoadOpts_e options = XML_LOAD_DEFAULT);

  // The resolved path of the last successful InitFromFile; empty before.
  const std::string& GetFilePath() const { return filePath_; }

  // `path` as InitFromFile would open it now on this thread: unchanged when absolute or when no
  // document is being loaded, otherwise joined to the folder of the most recent live document.
  static std::string ResolvePath(const std::string& path);

 private:
  void _Unregister();

  std::string filePath_;
};

}  // namespace vexa_xml
