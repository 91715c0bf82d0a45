#pragma once

namespace vehicle {

// Lets every object of `objects` resolve its id references against
// `targets`. True when all of them resolved; every object is tried.
template <class Objects, class Targets>
bool ResolveHashReferences(Objects& objects, const Targets& targets) {
  bool resolved = true;
  for (auto& entry : objects)
    resolved = entry.second->ResolveReferences(targets) && resolved;
  return resolved;
}

}  // namespace vehicle
