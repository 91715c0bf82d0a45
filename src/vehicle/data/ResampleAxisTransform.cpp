#include "vehicle/data/ResampleAxisTransform.h"

#include <cmath>
#include <cstddef>

namespace vehicle {

int ResampleAxisTransform::Transform(std::vector<std::vector<double>>& lists) const {
  if (lists.empty() || new_count_ < 2 || new_count_ > kMaxLength)
    return 0;
  const size_t size = lists.front().size();
  for (const std::vector<double>& list : lists) {
    if (list.size() != size)
      return 0;
  }
  if (size < 2 || size > kMaxLength || size == new_count_)
    return 0;

  const double scale = static_cast<double>(size - 1) / static_cast<double>(new_count_ - 1);
  for (std::vector<double>& list : lists) {
    std::vector<double> resampled(new_count_);
    for (unsigned int j = 0; j < new_count_; ++j) {
      const double position = j * scale;
      const size_t i = static_cast<size_t>(std::floor(position));
      if (i + 1 >= size) {
        resampled[j] = list.back();
        continue;
      }
      const double fraction = position - static_cast<double>(i);
      resampled[j] = list[i] + (list[i + 1] - list[i]) * fraction;
    }
    // The ends stay exactly as they were.
    resampled.front() = list.front();
    resampled.back() = list.back();
    list.swap(resampled);
  }
  return static_cast<int>(new_count_) - static_cast<int>(size);
}

}  // namespace vehicle
