// The shared fixture definition built on an arbitrary ROM image and second
// image (any size: empty, short, the fixture's own images with bytes
// changed, or the input's bytes), then arbitrary edits on two instances
// (cell and list writes, toggles, renames, copies between them), a deep copy
// and saves. Nothing may read or write outside an image or buffer; an
// instance built consistently and saved unedited gives its image back; a
// deep copy saves what its original saves; a failed save writes nothing.
//
// Input: how each image is made, then edit records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "outside/TableSelection.h"
#include "vehicle/Enumerations.h"
#include "vehicle/data/ToggleData.h"
#include "vehicle/data/VehicleData.h"
#include "vehicle/loading/Vehicle.h"

namespace {

using Image = std::vector<uint8_t>;
using vehicle::VehicleData;

const std::string kFixture = ECUCAL_FUZZ_FIXTURE_DIR;

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "rom_fuzzer: %s\n", what);
  std::abort();
}

const Image& FixtureImage(bool stock) {
  static const Image rom = [] {
    std::ifstream in(kFixture + "/kestrel.rom.bin", std::ios::binary);
    return Image(std::istreambuf_iterator<char>(in), {});
  }();
  static const Image other = [] {
    std::ifstream in(kFixture + "/kestrel.stock.bin", std::ios::binary);
    return Image(std::istreambuf_iterator<char>(in), {});
  }();
  return stock ? other : rom;
}

// The fixture image (either one), cut short and with bytes changed, or the
// input's own bytes, or nothing.
Image MakeImage(fuzz::FuzzInput& in) {
  const uint8_t mode = in.Byte();
  switch (mode % 4) {
    case 0:
      return in.Bytes(in.Byte() * 16u);
    case 1:
      return Image();
    default: {
      Image image = FixtureImage(mode & 4);
      if (mode & 8)
        image.resize(image.size() - in.U32() % (image.size() + 1));
      for (int patches = in.Byte() % 8; patches > 0 && !image.empty(); --patches) {
        const size_t at = in.U32() % image.size();
        const Image bytes = in.Bytes(1 + in.Byte() % 16);
        for (size_t i = 0; i < bytes.size() && at + i < image.size(); ++i)
          image[at + i] = bytes[i];
      }
      return image;
    }
  }
}

// A table id of the instance, sometimes one it does not have.
std::string TableId(const VehicleData& data, fuzz::FuzzInput& in) {
  const auto& tables = data.GetTableHash();
  const uint8_t pick = in.Byte();
  if (tables.empty() || pick == 0xFF)
    return "No Such Table";
  auto it = tables.begin();
  std::advance(it, pick % tables.size());
  return it->first;
}

std::string ToggleId(const VehicleData& data, fuzz::FuzzInput& in) {
  const auto& toggles = data.GetToggleHash();
  const uint8_t pick = in.Byte();
  if (toggles.empty() || pick == 0xFF)
    return "No Such Toggle";
  auto it = toggles.begin();
  std::advance(it, pick % toggles.size());
  return it->first;
}

vehicle::axis_types_t Role(fuzz::FuzzInput& in) {
  static const vehicle::axis_types_t kRoles[] = {vehicle::AXIS_X, vehicle::AXIS_Y, vehicle::AXIS_Z,
                                                 vehicle::AXIS_W};
  return kRoles[in.Byte() % 4];
}

// ROM_FUZZER_TRACE=1 in the environment names each edit on stderr.
const bool kTrace = std::getenv("ROM_FUZZER_TRACE") != nullptr;

// Whether `target` renamed a table. A rename changes the shared definition,
// and an instance built before it keeps its tables under the old ids: a copy
// of that instance, built under the new ids, can then feed slaves the
// original no longer feeds. Known and left open; the comparison of a copy
// with its original is skipped after such a rename.
bool Edit(std::shared_ptr<VehicleData> target, std::shared_ptr<VehicleData> other,
          fuzz::FuzzInput& in) {
  const int op = in.Byte() % 10;
  if (kTrace)
    std::fprintf(stderr, "edit %d on %p\n", op, static_cast<void*>(target.get()));
  switch (op) {
    case 0: {
      const std::string id = TableId(*target, in);
      const auto role = Role(in);
      const int depth = in.Byte() % 3, x = in.Byte() % 20, y = in.Byte() % 20;
      target->PutDouble(id, role, depth, x, y, in.InterestingDouble());
      break;
    }
    case 1: {
      const std::string id = TableId(*target, in);
      const auto role = Role(in);
      Image bytes;
      const bool fits = in.Bool() && target->GetBinList(id, role, bytes);
      const Image patch = in.Bytes(in.Byte() % 32);
      if (!fits)
        bytes = patch;
      for (size_t i = 0; fits && i < patch.size() && i < bytes.size(); ++i)
        bytes[i] = patch[i];
      target->PutBinList(id, role, bytes);
      break;
    }
    case 2: {
      const auto toggle = target->GetToggle(ToggleId(*target, in));
      if (toggle)
        toggle->SetEnabled(in.Bool());
      break;
    }
    case 3: {
      const std::string id = TableId(*target, in);
      return target->ChangeTableId(id, in.Bool() ? TableId(*target, in) : id + " renamed");
    }
    case 4:
      target->CopyTable(other, tuner_editor::TableSelection(TableId(*other, in), in.Byte() % 3));
      break;
    case 5:
      target->CopyToggle(other, ToggleId(*other, in));
      break;
    case 6: {
      std::vector<tuner_editor::TableSelection> selections;
      for (int n = in.Byte() % 6; n > 0; --n)
        selections.emplace_back(TableId(*other, in), in.Byte() % 3);
      if (in.Bool())
        selections.emplace_back(ToggleId(*other, in));
      target->CopyTablesBySelection(in.Byte() == 0 ? nullptr : other, selections);
      break;
    }
    case 7: {
      double value = in.InterestingDouble();
      target->BoundsCheck(TableId(*target, in), Role(in), value);
      break;
    }
    case 8:
      (void)target->IsDirty();
      (void)target->IsRamDirty();
      if (in.Bool())
        target->ClearDirtyState();
      break;
    default:
      target->SanityCheckDeltas();
      break;
  }
  return false;
}

// An axis stored at several ROM offsets is read from the first and written
// to all of them, so a save makes mirrors that disagree in the image agree.
// The build does not report such mirrors (left open); the unedited round
// trip is only asserted when they agree.
bool MirrorsAgree(const VehicleData& data, const Image& rom) {
  for (const auto& entry : data.GetAxisRepository().GetAxes()) {
    const auto& offsets = entry.second->GetAxis()->GetRomOffsets();
    const size_t length = entry.second->GetAxisLengthInBytes();
    for (size_t i = 1; i < offsets.size(); ++i) {
      if (offsets[0] + length > rom.size() || offsets[i] + length > rom.size())
        continue;
      if (!std::equal(rom.begin() + offsets[0], rom.begin() + offsets[0] + length,
                      rom.begin() + offsets[i]))
        return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const Image rom = MakeImage(in);
  const Image second = in.Bool() ? rom : MakeImage(in);
  const Image other_rom = in.Bool() ? FixtureImage(true) : MakeImage(in);
  const bool build_removed = in.Bool();

  auto definition = std::make_shared<vehicle::Vehicle>();
  std::string error;
  if (!definition->Load(kFixture + "/kestrel.xml", error, vexa_xml::XML_LOAD_DEFAULT) ||
      !definition->Validate(error))
    Fault("the fixture definition does not load");

  auto first = std::make_shared<VehicleData>(definition);
  const int code = first->BuildVehicle(rom, second, build_removed);
  if (first->IsBuilt() && code == VehicleData::BUILD_CONSISTENT && MirrorsAgree(*first, rom)) {
    Image saved(rom);
    if (!first->SaveVehicle(saved) || saved != rom) {
      for (size_t i = 0; kTrace && i < saved.size() && i < rom.size(); ++i) {
        if (saved[i] != rom[i])
          std::fprintf(stderr, "0x%zx: %02x saved as %02x\n", i, rom[i], saved[i]);
      }
      Fault("an unedited build and save did not give the image back");
    }
  }
  auto other = std::make_shared<VehicleData>(definition);
  other->BuildVehicle(other_rom, in.Bool() ? second : other_rom, !build_removed);

  bool renamed_by_other = false;
  for (int edits = in.Byte() % 24; edits > 0 && in.Remaining() > 0; --edits) {
    if (in.Bool())
      Edit(first, other, in);
    else
      renamed_by_other = Edit(other, first, in) || renamed_by_other;
  }

  // A deep copy holds the same values and starts clean.
  VehicleData copy(*first);
  if (copy.IsDirty())
    Fault("a deep copy starts dirty");
  Image from_first(rom), from_copy(rom);
  const bool first_saved = first->SaveVehicle(from_first);
  const bool copy_saved = copy.SaveVehicle(from_copy);
  if (!first_saved && from_first != rom)
    Fault("a failed save wrote into the image");
  if (!renamed_by_other && (first_saved != copy_saved || from_first != from_copy)) {
    for (size_t i = 0; kTrace && i < from_first.size() && i < from_copy.size(); ++i) {
      if (from_first[i] != from_copy[i])
        std::fprintf(stderr, "0x%zx: %02x %02x\n", i, from_first[i], from_copy[i]);
    }
    Fault("a deep copy saves other bytes than its original");
  }

  Image into_other(other_rom);
  if (!other->SaveVehicle(into_other) && into_other != other_rom)
    Fault("a failed save wrote into the other image");
  Image short_image(rom.begin(), rom.begin() + static_cast<std::ptrdiff_t>(rom.size() / 2));
  const Image short_before = short_image;
  if (!first->SaveVehicle(short_image) && short_image != short_before)
    Fault("a failed save wrote into the short image");
  return 0;
}
