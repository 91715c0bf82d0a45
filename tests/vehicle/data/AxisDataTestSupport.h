#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "vehicle/data/AxisData.h"
#include "vehicle/definition/Axis.h"
#include "vehicle/definition/DataType.h"

namespace axis_test {

// A fresh axis `id` from tests/data/vehicle/data/axes.xml, read the way a
// table reads its axes and resolved against the data types there.
inline std::shared_ptr<vehicle::Axis> LoadAxis(const std::string& id) {
  TiXmlDocument doc(ECUCAL_TEST_DATA_DIR "/vehicle/data/axes.xml");
  if (!doc.LoadFile())
    return nullptr;
  std::string error;
  vehicle::DataTypeHash types;
  // A data type reads the first "datatype" child of the element it is given,
  // or the next sibling of that name.
  const TiXmlElement* at = doc.RootElement();
  for (bool next = false;; next = true) {
    auto type = std::make_shared<vehicle::DataType>();
    if (type->Read(at, error, next) != 0 || type->GetCurrentElement() == at)
      break;
    types.addData(type->GetObjId(), type);
    at = type->GetCurrentElement();
  }
  for (const TiXmlElement* table = doc.RootElement()->FirstChildElement("table"); table != nullptr;
       table = table->NextSiblingElement("table")) {
    for (const TiXmlElement* e = table->FirstChildElement("axis"); e != nullptr;
         e = e->NextSiblingElement("axis")) {
      if (id != e->Attribute("id"))
        continue;
      // ReadType remembers the element it finds and reads its role.
      auto axis = std::make_shared<vehicle::Axis>();
      const TiXmlElement* found = axis->ReadType(table, false);
      while (found != e)
        found = axis->ReadType(found, true);
      axis->Read(e, error, false);
      axis->ResolveReferences(types);
      axis->SetDataSignature(id);
      return axis;
    }
  }
  return nullptr;
}

// The axis built from `rom` the way the repository does: a buffer cut out of
// the image, attached and listened to.
inline std::shared_ptr<vehicle::AxisData> Build(const std::shared_ptr<vehicle::Axis>& axis,
                                                const std::vector<unsigned char>& rom) {
  if (!axis)
    return nullptr;
  auto data = std::make_shared<vehicle::AxisData>(axis);
  data->BuildAxis(data->BuildByteData(rom));
  return data;
}

inline std::shared_ptr<vehicle::AxisData> Build(const std::string& id,
                                                const std::vector<unsigned char>& rom) {
  return Build(LoadAxis(id), rom);
}

// A zeroed image of `size` bytes with `bytes` placed at `offset`.
inline std::vector<unsigned char> Image(size_t size, size_t offset,
                                        const std::vector<unsigned char>& bytes) {
  std::vector<unsigned char> image(size, 0);
  for (size_t i = 0; i < bytes.size(); ++i)
    image[offset + i] = bytes[i];
  return image;
}

// Counts the notifications of a buffer it listens to.
struct CountingHandler : vehicle::IAxisByteDataEventHandler {
  void OnAxisByteDataChanging() override { ++changing; }
  void OnAxisByteDataChanged() override { ++changed; }
  int changing = 0;
  int changed = 0;
};

}  // namespace axis_test
