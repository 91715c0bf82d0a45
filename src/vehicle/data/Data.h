#pragma once

namespace vehicle {

// Base of the objects built from a definition and a ROM image or live reply:
// remembers whether building finished.
class Data {
 public:
  bool IsBuilt() const { return built; }

 protected:
  Data() = default;
  Data(const Data&) = default;
  Data& operator=(const Data&) = default;
  // Not virtual: objects are never deleted through this base.
  ~Data() = default;

  bool built = false;
};

}  // namespace vehicle
