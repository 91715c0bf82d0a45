#include "vehicle/definition/BaseVehicleDefObj.h"

#include <tinyxml.h>

#include "util/XmlRead.h"

namespace vehicle {

BaseVehicleDefObj::BaseVehicleDefObj(const std::string& tag) : tag_(tag) {}

BaseVehicleDefObj::BaseVehicleDefObj(const std::string& id, const std::string& tag)
    : id_(id), tag_(tag) {}

const TiXmlElement* BaseVehicleDefObj::ReadObjId(const TiXmlElement* element, bool next) {
  if (element == nullptr)
    return nullptr;
  current_element_ = next ? util::NextSiblingElement(element, tag_.c_str())
                          : util::FirstChildElement(element, tag_.c_str());
  if (current_element_ == nullptr)
    return nullptr;
  util::ReadXmlValue(current_element_, "id", id_);
  return current_element_;
}

int32_t BaseVehicleDefObj::Read(const TiXmlElement* element, std::string& error, bool not_first) {
  if (element == nullptr)
    return READ_FAILED;
  bool have_element = true;
  if (!id_.empty()) {
    current_element_ = element;
  } else if (ReadObjId(element, not_first) == nullptr) {
    if (id_required_) {
      error += GenerateParseErrorForMissingTag("id");
      return READ_FAILED;
    }
    have_element = false;
  }
  if (have_element) {
    util::ReadXmlFlag(current_element_, "internal", internal_only_);
    util::ReadXmlFlag(current_element_, "restricted", restricted_);
  }
  if (internal_only_)
    return READ_SKIPPED_INTERNAL;
  return DoRead(element, error, not_first);
}

void BaseVehicleDefObj::_SaveDebugLocationInfo(const TiXmlElement* element) {
  if (element == nullptr)
    return;
  // TinyXML already counts rows and columns from 1.
  row_ = element->Row();
  column_ = element->Column();
  if (const TiXmlDocument* document = element->GetDocument()) {
    document_name_ = document->Value();
  }
}

std::string BaseVehicleDefObj::GenerateParseErrorForMissingTag(const std::string& tag) const {
#ifdef ECUCAL_DIAGNOSTICS
  return std::string(DebugGetClassName()) + " '" + id_ + "': missing required tag \"" + tag +
         "\"\n";
#else
  (void)tag;
  return std::string();
#endif
}

}  // namespace vehicle
