#include "vehicle/data/InsertRemoveAxisTransform.h"

#include <cstddef>
#include <cstdint>

namespace vehicle {

namespace {

// `count` values to insert before `position` of `list` (size >= 1).
std::vector<double> Interpolated(const std::vector<double>& list, size_t position, size_t count) {
  std::vector<double> values(count, list.front());
  const size_t size = list.size();
  if (size == 1)
    return values;
  if (position == 0) {
    const double step = list[1] - list[0];
    for (size_t j = 0; j < count; ++j)
      values[j] = list[0] - static_cast<double>(count - j) * step;
  } else if (position == size) {
    const double step = list[size - 1] - list[size - 2];
    for (size_t j = 0; j < count; ++j)
      values[j] = list[size - 1] + static_cast<double>(j + 1) * step;
  } else {
    const double low = list[position - 1];
    const double high = list[position];
    for (size_t j = 0; j < count; ++j)
      values[j] = low + (high - low) * static_cast<double>(j + 1) / static_cast<double>(count + 1);
  }
  return values;
}

}  // namespace

int InsertRemoveAxisTransform::Transform(std::vector<std::vector<double>>& lists) const {
  if (lists.empty() || count_ == 0)
    return 0;
  const size_t size = lists.front().size();
  for (const std::vector<double>& list : lists) {
    if (list.size() != size)
      return 0;
  }
  if (size == 0 || position_ > size)
    return 0;

  if (count_ < 0) {
    const uint64_t remove = static_cast<uint64_t>(-static_cast<int64_t>(count_));
    if (remove >= size || position_ + remove > size)
      return 0;
    for (std::vector<double>& list : lists) {
      list.erase(list.begin() + position_,
                 list.begin() + static_cast<std::ptrdiff_t>(position_ + remove));
    }
    return count_;
  }

  const size_t insert = static_cast<size_t>(count_);
  if (size + insert > kMaxLength)
    return 0;
  for (std::vector<double>& list : lists) {
    const std::vector<double> values = Interpolated(list, position_, insert);
    list.insert(list.begin() + position_, values.begin(), values.end());
  }
  return count_;
}

}  // namespace vehicle
