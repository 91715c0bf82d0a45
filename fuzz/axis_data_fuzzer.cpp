// One axis of arbitrary shape (role, count, dimensions, layout, padding, ROM
// and RAM offsets, data runs, labels, calculated) over a data type of
// arbitrary storage, byte order, mask and conversion, built from arbitrary
// image bytes, then read, edited, reshaped and saved. Nothing may read or
// write outside the image or the axis's buffer, and an axis read from a
// single place in the image and saved unedited must give the image back.
//
// Input: data type and axis records, then edits, and the image as the rest.
#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "vehicle/data/AxisByteData.h"
#include "vehicle/data/AxisData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/DataType.h"

namespace {

using Bytes = std::vector<unsigned char>;

[[noreturn]] void Fault(const char* what) {
  std::fprintf(stderr, "axis_data_fuzzer: %s\n", what);
  std::abort();
}

// Small numbers mostly, so offsets and counts land inside a small image.
std::string Number(fuzz::FuzzInput& in) {
  switch (in.Byte() % 8) {
    case 0:
    case 1:
    case 2:
    case 3:
      return std::to_string(in.Byte() % 24);
    case 4:
      return std::to_string(in.Byte());
    case 5: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(in.U32()));
      return text;
    }
    case 6:
      return std::to_string(in.U32());
    default:
      return in.Text(';');
  }
}

TiXmlElement DataTypeElement(fuzz::FuzzInput& in) {
  static const char* const kStorages[] = {"8", "8s", "16", "16s", "32", "32s", "float", "bits"};
  static const char* const kConvs[] = {"slope-int", "pt-slope", "inv-offset", "direct", "labels"};
  TiXmlElement type("datatype");
  type.SetAttribute("id", "t");
  type.SetAttribute("unit", "-");
  type.SetAttribute("format", "%.2f");
  type.SetAttribute("endian", in.Bool() ? "big" : "little");
  type.SetAttribute("storage", kStorages[in.Byte() % 8]);
  const uint8_t flags = in.Byte();
  if (flags & 1) {
    char mask[16];
    std::snprintf(mask, sizeof mask, "0x%X", static_cast<unsigned>(in.U32()));
    type.SetAttribute("mask", mask);
  }
  if (flags & 2)
    type.SetAttribute("min", std::to_string(in.InterestingDouble()));
  if (flags & 4)
    type.SetAttribute("max", std::to_string(in.InterestingDouble()));
  TiXmlElement conv("conv");
  if (flags & 8) {
    conv.SetAttribute("to_float", in.Text(';'));
    conv.SetAttribute("to_bin", in.Text(';'));
  } else {
    conv.SetAttribute("type", kConvs[in.Byte() % 5]);
    conv.SetAttribute("scalar", std::to_string(in.InterestingDouble()));
    conv.SetAttribute("offset", std::to_string(in.InterestingDouble()));
    if (flags & 16) {
      TiXmlElement label("label");
      TiXmlText text("On");
      label.InsertEndChild(text);
      conv.InsertEndChild(label);
    }
  }
  type.InsertEndChild(conv);
  return type;
}

TiXmlElement AxisElement(fuzz::FuzzInput& in) {
  static const char* const kRoles[] = {"x", "y", "z", "w"};
  static const char* const kSpecials[] = {"x-calc", "labels", "labels with data"};
  TiXmlElement axis("axis");
  axis.SetAttribute("id", "a");
  axis.SetAttribute("type", kRoles[in.Byte() % 4]);
  axis.SetAttribute("datatype", "t");
  const uint16_t flags = static_cast<uint16_t>(in.Byte() << 8 | in.Byte());
  if (flags & 1)
    axis.SetAttribute("special", kSpecials[in.Byte() % 3]);
  if (flags & 2)
    axis.SetAttribute("count", Number(in));
  if (flags & 4)
    axis.SetAttribute("layout", in.Bool() ? "vertical" : "horizontal");
  if (flags & 8)
    axis.SetAttribute("pad", Number(in));
  if (flags & 16) {
    // One offset, or a list of mirrors.
    std::string offsets = Number(in);
    for (int n = in.Byte() % 3; n > 0; --n)
      offsets += "," + Number(in);
    axis.SetAttribute("rom_offset", offsets);
  }
  if (flags & 32)
    axis.SetAttribute("ram_offset", Number(in));
  for (int n = (flags & 64) ? 1 + in.Byte() % 3 : 0; n > 0; --n) {
    TiXmlElement run("data");
    run.SetAttribute("count", Number(in));
    run.SetAttribute(in.Bool() ? "rom_offset" : "ram_offset", Number(in));
    axis.InsertEndChild(run);
  }
  if (flags & 128) {
    TiXmlElement dimensions("dimensions");
    dimensions.SetAttribute("x", Number(in));
    dimensions.SetAttribute("y", Number(in));
    axis.InsertEndChild(dimensions);
  }
  for (int n = (flags & 256) ? in.Byte() % 4 : 0; n > 0; --n) {
    TiXmlElement label("label");
    TiXmlText text(std::string(1, static_cast<char>('A' + n)));
    label.InsertEndChild(text);
    axis.InsertEndChild(label);
  }
  if (flags & 512)
    axis.SetAttribute("min", std::to_string(in.InterestingDouble()));
  if (flags & 1024)
    axis.SetAttribute("max", std::to_string(in.InterestingDouble()));
  return axis;
}

// The axis read the way a table reads it and resolved against its type.
std::shared_ptr<vehicle::Axis> ReadAxis(const TiXmlElement& type_element,
                                        const TiXmlElement& axis_element) {
  TiXmlElement root("vehicledef");
  root.InsertEndChild(type_element);
  TiXmlElement table("table");
  table.SetAttribute("id", "table");
  table.InsertEndChild(axis_element);
  root.InsertEndChild(table);

  std::string error;
  vehicle::DataTypeHash types;
  auto type = std::make_shared<vehicle::DataType>();
  if (type->Read(&root, error, false) == 0)
    types.addData(type->GetObjId(), type);
  auto axis = std::make_shared<vehicle::Axis>();
  const TiXmlElement* found = axis->ReadType(root.FirstChildElement("table"), false);
  if (found == nullptr)
    return nullptr;
  axis->Read(found, error, false);
  axis->ResolveReferences(types);
  axis->SetDataSignature("a");
  return axis;
}

void ReadEverything(const vehicle::AxisData& data) {
  (void)data.GetDoubleList();
  (void)data.GetBinList();
  // Each grid reads every value again; an expression conversion over a few
  // thousand elements makes that slow, not wrong.
  if (data.GetAxisCount() <= 256) {
    (void)data.GetRows();
    (void)data.GetColumns();
    (void)data.GetDepths();
  }
  (void)data.GetLabels();
  const unsigned int count = data.GetAxisCount();
  for (unsigned int i = 0; i < count && i < 64; ++i) {
    (void)data.GetDouble(i);
    (void)data.GetBinary(i);
    (void)data.GetLabel(i);
  }
  (void)data.GetDouble(count);
  (void)data.GetDouble(-1, 0, 0);
}

void Edit(vehicle::AxisData& data, fuzz::FuzzInput& in) {
  const int edits = in.Byte() % 8;
  for (int e = 0; e < edits; ++e) {
    switch (in.Byte() % 10) {
      case 0:
        data.PutDouble(in.Byte(), in.InterestingDouble());
        break;
      case 1:
        data.PutDouble(in.Byte() % 4, in.Byte() % 8, in.Byte() % 8, in.InterestingDouble());
        break;
      case 2: {
        // RAM-only axes may claim any count: keep the list within reason.
        const unsigned int count = data.GetAxisCount() < 65536 ? data.GetAxisCount() : 0;
        std::vector<double> values(in.Byte() % 2 ? count : in.Byte(), 0);
        for (double& v : values)
          v = in.InterestingDouble();
        data.PutDoubleList(values);
        break;
      }
      case 3: {
        Bytes bytes = in.Bytes(in.Byte() % 2 ? data.GetSize() : in.Byte());
        bytes.resize(data.GetSize());
        data.PutBinList(bytes);
        data.CopyMaskedBinList(bytes);
        break;
      }
      case 4:
        data.PutUnmaskedBinList(in.Bytes(in.Byte()), in.Byte(),
                                in.Bool() ? in.Byte() : 0xFFFFFFFFu);
        break;
      case 5:
        data.AdjustDimensions(in.Byte() % 4, in.Byte() % 9, in.Byte() % 9);
        break;
      case 6: {
        std::vector<double> row(in.Byte() % 10);
        for (double& v : row)
          v = in.InterestingDouble();
        data.PutRow(row, in.Byte() % 3, in.Byte() % 9);
        data.PutColumn(row, in.Byte() % 3, in.Byte() % 9);
        break;
      }
      case 7: {
        double value = in.InterestingDouble();
        data.BoundsCheck(value);
        (void)data.Round(value);
        break;
      }
      case 8:
        (void)data.IsDirty();
        (void)data.GetDirtySegmentIndexes();
        data.ClearDirtyState();
        break;
      default:
        data.DefineSegment(in.Byte(), in.Byte());
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const TiXmlElement type_element = DataTypeElement(in);
  const TiXmlElement axis_element = AxisElement(in);
  const size_t edit_bytes = in.Byte() % 48;
  const Bytes edits = in.Bytes(edit_bytes);
  const Bytes image = in.Rest();

  const std::shared_ptr<vehicle::Axis> axis = ReadAxis(type_element, axis_element);
  if (!axis)
    return 0;
  auto axis_data = std::make_shared<vehicle::AxisData>(axis);
  const std::shared_ptr<vehicle::AxisByteData> buffer = axis_data->BuildByteData(image);
  axis_data->BuildAxis(buffer);
  if (!axis_data->IsBuilt())
    return 0;
  if (std::getenv("AXIS_FUZZER_TRACE") != nullptr) {
    std::fprintf(stderr, "count %u, %u bytes, calculated %d, dimensions %u x %u x %u\n",
                 axis_data->GetAxisCount(), axis_data->GetSize(), axis_data->IsCalculated(),
                 axis_data->GetDimensions().x, axis_data->GetDimensions().y,
                 axis_data->GetDimensions().z);
  }
  ReadEverything(*axis_data);

  // Read from one place only: an unedited save is the image itself.
  const bool one_place = axis->GetRomOffsets().size() == 1 && axis->GetDataOffsets().empty();
  Bytes saved(image);
  if (axis_data->SaveAxis(saved) && one_place && saved != image)
    Fault("an unedited save changed the image");

  // A second axis on the same buffer sees the edits of the first.
  auto twin = std::make_shared<vehicle::AxisData>(axis);
  twin->BuildAxis(buffer);

  fuzz::FuzzInput edit_input(edits.data(), edits.size());
  Edit(*axis_data, edit_input);
  ReadEverything(*axis_data);
  ReadEverything(*twin);
  (void)axis_data->Equals(*twin);

  // A failed save writes nothing.
  Bytes target(image);
  if (!axis_data->SaveAxis(target) && target != image)
    Fault("a failed save wrote into the image");
  Bytes short_image(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(image.size() / 2));
  const Bytes short_before = short_image;
  if (!axis_data->SaveAxis(short_image) && short_image != short_before)
    Fault("a failed save wrote into the short image");
  return 0;
}
