#pragma once

#include <string>

// What an editor needs of one on/off feature of a ROM: its state, whether
// the definition restricts it, and its id.
class IToggleable {
 public:
  virtual ~IToggleable() = default;
  virtual bool IsEnabled() const = 0;
  virtual bool IsRestricted() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetRestricted(bool restricted) = 0;
  virtual std::string GetID() const = 0;
};
