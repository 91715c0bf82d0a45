#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "import/SourceModel.h"

class TiXmlElement;

namespace vexa_xml {
class DataMarkupDoc;
}

namespace import {

// The definition files of one import, parsed, with every ROM they define
// indexed by its xmlid (compared without regard to case, as both formats do).
//
// A file whose root is <roms> is read as a RomRaider definition (any number
// of <rom> elements); one whose root is <rom> as an EcuFlash definition (one
// ROM per file).
class SourceFiles {
 public:
  // One ROM of one file.
  struct Rom {
    const TiXmlElement* element = nullptr;
    SourceFormat format = SourceFormat::kRomRaider;
    size_t file = 0;
    std::string xmlid;
  };

  enum class ChainStatus {
    kOk,
    kNotFound,  // no file defines the ROM asked for
    kBadInput,  // a parent is missing, ambiguous or of the other format, or the chain loops
  };

  SourceFiles();
  ~SourceFiles();
  SourceFiles(const SourceFiles&) = delete;
  SourceFiles& operator=(const SourceFiles&) = delete;

  // Reads every file, relative paths against the working directory. False,
  // with one line naming the file and the reason appended to `error`, when a
  // file cannot be read, is not well-formed XML or is in neither format.
  bool Load(const std::vector<std::string>& paths, std::string& error);

  // The ROM `xmlid` and its ancestors in the order their definitions apply:
  // the root ancestor first, `xmlid` last; each ROM once. RomRaider ROMs
  // name one parent ("base" attribute), EcuFlash ROMs any number (<include>
  // elements, applied in document order before the ROM's own content).
  ChainStatus Chain(const std::string& xmlid, std::vector<const Rom*>& chain,
                    std::string& error) const;

  const std::string& Path(size_t file) const { return paths_[file]; }
  // The root elements of every file, in the order the files were given.
  std::vector<const TiXmlElement*> Roots() const;

 private:
  // The one ROM called `xmlid`; null with a message when there is none or
  // more than one.
  const Rom* Find(const std::string& xmlid, std::string& error, bool& ambiguous) const;
  bool Visit(const Rom* rom, std::vector<const Rom*>& path, std::vector<const Rom*>& chain,
             std::string& error) const;

  std::vector<std::unique_ptr<vexa_xml::DataMarkupDoc>> documents_;
  std::vector<std::string> paths_;
  std::vector<Rom> roms_;
  std::unordered_map<std::string, std::vector<size_t>> index_;  // lower-case xmlid -> roms_
};

}  // namespace import
