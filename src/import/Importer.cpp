#include "import/Importer.h"

#include <exception>
#include <filesystem>

#include "import/DefinitionBuilder.h"
#include "import/DefinitionWriter.h"
#include "import/EcuFlashReader.h"
#include "import/OutputModel.h"
#include "import/RomRaiderReader.h"
#include "import/SourceFiles.h"
#include "import/SourceValues.h"
#include "outside/DataMarkupDoc.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/RomInfo.h"
#include "vehicle/loading/Vehicle.h"

namespace import {

namespace {

// The processor of a processor word or memory model name; -1 when ecucal
// knows none of that name.
vehicle::cpu_t FindCpu(const std::string& word) {
  std::string lower = Lower(Trim(word));
  // The memory models of the 16-bit controllers name the chip.
  if (lower == "68hc16y5" || lower == "68hc16")
    lower = "hc16";
  return util::FindEnumValue(vehicle::priv::GetCPUStrs(), lower);
}

std::string CpuChoices() {
  std::string choices;
  for (const auto& entry : vehicle::priv::GetCPUStrs()) {
    if (entry.first != vehicle::CPU_INVALID)
      choices += (choices.empty() ? "" : ", ") + entry.second;
  }
  return choices;
}

template <class Store>
void AddInvalid(const Store& store, const char* object_class, std::vector<InvalidObject>& out) {
  for (const auto& entry : store)
    out.push_back({object_class, entry.first});
}

// Reads the written definition back as any caller would.
void Reload(const std::string& top, ImportResult& result) {
  try {
    vehicle::Vehicle vehicle;
    vehicle.Load(top, result.load_messages, vexa_xml::XML_LOAD_DEFAULT);
    result.loaded = vehicle.IsLoaded();
    if (!result.loaded)
      return;
    std::string validation;
    result.valid = vehicle.Validate(validation);
    vehicle::RomInfo info = vehicle.GetRomInfo();
    if (info.Validate() != 0)
      result.invalid.push_back({"RomInfo", vehicle.GetLiveRomName()});
    AddInvalid(vehicle.GetInvalidDataTypes(), "DataType", result.invalid);
    for (const auto& entry : vehicle.GetInvalidAxes())
      result.invalid.push_back({"Axis", entry.second->GetObjId()});
    AddInvalid(vehicle.GetInvalidGroups(), "Group", result.invalid);
    AddInvalid(vehicle.GetInvalidTables(), "Table", result.invalid);
    AddInvalid(vehicle.GetInvalidXMLToggles(), "XMLToggle", result.invalid);
    if (vehicle.GetTables().size() != result.tables ||
        vehicle.GetXMLToggles().size() != result.toggles) {
      result.valid = false;
    }
  } catch (const std::exception& e) {
    result.loaded = false;
    result.valid = false;
    result.load_messages += std::string(e.what()) + "\n";
  }
}

}  // namespace

ImportStatus Importer::Run(const ImportOptions& options, ImportResult& result, std::string& error) {
  result = ImportResult();
  OutputDefinition definition;
  {
    SourceFiles files;
    if (!files.Load(options.files, error))
      return ImportStatus::kBadInput;
    std::vector<const SourceFiles::Rom*> chain;
    switch (files.Chain(options.rom, chain, error)) {
      case SourceFiles::ChainStatus::kOk:
        break;
      case SourceFiles::ChainStatus::kNotFound:
        return ImportStatus::kBadRequest;
      case SourceFiles::ChainStatus::kBadInput:
        return ImportStatus::kBadInput;
    }

    SourceRom rom;
    const bool read = chain.back()->format == SourceFormat::kRomRaider
                          ? RomRaiderReader().Read(files, chain, rom, error)
                          : EcuFlashReader().Read(files, chain, rom, error);
    if (!read)
      return ImportStatus::kBadInput;
    result.format = rom.format;
    result.chain = rom.chain;
    result.chain_files = rom.chain_files;
    result.source_tables = rom.tables.size();

    const std::string word = !options.cpu.empty() ? options.cpu : rom.RomId("memmodel");
    const vehicle::cpu_t cpu = FindCpu(word);
    if (cpu == vehicle::CPU_INVALID) {
      result.processor_unknown = true;
      if (!options.cpu.empty()) {
        error += "processor \"" + options.cpu +
                 "\" is not one ecucal knows; choose one of: " + CpuChoices() + "\n";
      } else {
        error += "ROM \"" + rom.xmlid + "\": " +
                 (word.empty() ? std::string("the romid names no memory model")
                               : "memory model \"" + word + "\" is no processor ecucal knows") +
                 "; name the processor, one of: " + CpuChoices() + "\n";
      }
      return ImportStatus::kBadRequest;
    }
    result.cpu = vehicle::priv::GetCPUStrs().at(cpu);
    DefinitionBuilder(cpu, result.cpu).Build(rom, definition, result.issues);
  }
  result.tables = definition.tables.size();
  result.toggles = definition.toggles.size();
  result.data_types = definition.data_types.size();
  result.groups = definition.groups.size();

  // Definition files are often named after their xmlid, as the top document
  // is: never write over one of them.
  for (const std::string& planned :
       DefinitionWriter::Documents(definition, options.output_folder)) {
    for (const std::string& input : options.files) {
      std::error_code failure;
      if (std::filesystem::equivalent(planned, input, failure)) {
        error +=
            "the import would write over its input " + input + "; choose another output folder\n";
        return ImportStatus::kBadRequest;
      }
    }
  }
  if (!DefinitionWriter().Write(definition, options.output_folder, result.documents, error))
    return ImportStatus::kWriteFailed;
  std::error_code failure;
  const std::filesystem::path top = std::filesystem::absolute(result.documents.front(), failure);
  Reload(failure ? result.documents.front() : top.string(), result);
  return result.loaded && result.valid && result.invalid.empty() ? ImportStatus::kOk
                                                                 : ImportStatus::kInvalid;
}

}  // namespace import
