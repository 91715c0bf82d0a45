#pragma once

#include <boost/serialization/access.hpp>
#include <boost/serialization/string.hpp>
#include <memory>
#include <string>

#include "util/DataHash.h"
#include "vehicle/Enumerations.h"

class TiXmlElement;

namespace tinyxml {

// Remembers the element an object is currently reading from.
class IXmlObj {
 public:
  const TiXmlElement* GetCurrentElement() const { return current_element_; }

 protected:
  const TiXmlElement* current_element_ = nullptr;
};

}  // namespace tinyxml

namespace vehicle {

// What Read and DoRead return.
enum read_result_t : int32_t {
  READ_OK = 0,
  READ_FAILED = 1,
  READ_SKIPPED_INTERNAL = 2,
};

// Interface of every object read from a definition document.
class IBaseVehicleDefObj {
 public:
  virtual ~IBaseVehicleDefObj() = default;
  virtual const char* DebugGetClassName() const { return "BaseVehicleDefObj"; }
  virtual int32_t Read(const TiXmlElement* element, std::string& error, bool not_first) = 0;
  virtual validate_codes_t Validate() = 0;
  virtual int32_t GetTagXMLRow() const = 0;
  virtual int32_t GetTagXMLColumn() const = 0;
  virtual std::string GetTagDocumentName() const = 0;
  virtual const std::string& GetObjId() const = 0;
  virtual void SetObjId(const std::string& id) = 0;
  virtual const TiXmlElement* ReadObjId(const TiXmlElement* element, bool next) = 0;
  virtual bool IsObjIdRequired() const = 0;
  virtual int32_t DoRead(const TiXmlElement* element, std::string& error, bool not_first) = 0;
};

// Finds an object's element, reads its id and the "internal" and
// "restricted" flags, and hands the element to the class's own DoRead.
//
// Every value is read by the same rule: the attribute of that name, else the
// text of the first child element of that name.
class BaseVehicleDefObj : public IBaseVehicleDefObj, public tinyxml::IXmlObj {
 public:
  explicit BaseVehicleDefObj(const std::string& tag);
  BaseVehicleDefObj(const std::string& id, const std::string& tag);

  // Returns READ_FAILED for a null element or a missing required id,
  // READ_SKIPPED_INTERNAL for an element marked internal, else DoRead's result.
  int32_t Read(const TiXmlElement* element, std::string& error, bool not_first) override;

  int32_t GetTagXMLRow() const override { return row_; }
  int32_t GetTagXMLColumn() const override { return column_; }
  std::string GetTagDocumentName() const override { return document_name_; }
  const std::string& GetObjId() const override { return id_; }
  void SetObjId(const std::string& id) override { id_ = id; }

  // The first child (next == false) or the next sibling (next == true) of
  // `element` named after the class's tag; reads its id when it has one.
  const TiXmlElement* ReadObjId(const TiXmlElement* element, bool next) override;
  bool IsObjIdRequired() const override { return id_required_; }

  const std::string& GetTag() const { return tag_; }
  bool IsInternalOnly() const { return internal_only_; }
  void SetInternalOnly(bool internal_only) { internal_only_ = internal_only; }
  bool IsRestricted() const { return restricted_; }
  void SetRestricted(bool restricted) { restricted_ = restricted; }

  // Records the element's row and column (counted from 1) and its document.
  void _SaveDebugLocationInfo(const TiXmlElement* element);

  // Text appended when a required tag is missing; empty unless the library
  // was built with diagnostics.
  std::string GenerateParseErrorForMissingTag(const std::string& tag) const;

 protected:
  void SetObjIdRequired(bool required) { id_required_ = required; }
  // SetObjId without a temporary string, for readers that hold the id's text.
  void AssignObjId(const char* id) { id_.assign(id); }

 private:
  friend class boost::serialization::access;
  template <class Archive>
  void serialize(Archive& ar, const unsigned int /*version*/) {
    ar& id_;
  }

  std::string id_;
  std::string tag_;
  bool id_required_ = true;
  int32_t row_ = 0;
  int32_t column_ = 0;
  std::string document_name_;
  bool internal_only_ = false;
  bool restricted_ = false;
};

// Reads every element of class T under `root` into `store`, keyed by id.
// An element whose id is already stored is read again into the stored object,
// so later elements refine earlier ones. Returns false only when an element
// lacks a required id (that element is dropped; the others are still read).
template <class T>
bool ReadHashData(const TiXmlElement* root, util::DataHash<std::string, std::shared_ptr<T>>& store,
                  std::string& error) {
  bool result = true;
  // A fresh object is made only once the previous one went into the store,
  // and none after the last element.
  auto object = std::make_shared<T>();
  const TiXmlElement* element = object->ReadObjId(root, false);
  bool not_first = false;
  while (element != nullptr) {
    bool object_used = false;
    const std::string& id = object->GetObjId();
    if (id.empty() && object->IsObjIdRequired()) {
      error += object->GenerateParseErrorForMissingTag("id");
      result = false;
      object_used = true;
    } else {
      auto stored = store.data.find(id);
      if (stored != store.data.end()) {
        stored->second->Read(element, error, not_first);
      } else {
        object_used = true;
        if (object->Read(element, error, not_first) != READ_SKIPPED_INTERNAL)
          store.addData(id, object);
      }
    }
    not_first = true;
    if (object_used) {
      object = std::make_shared<T>();
    } else {
      object->SetObjId(std::string());
    }
    element = object->ReadObjId(element, true);
  }
  return result;
}

}  // namespace vehicle
