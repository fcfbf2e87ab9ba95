// The median the benchmarks report: the middle value, or the mean of the two middle values of an
// even count. The shell scripts' median (bench/lib.sh) is the same.
#pragma once

#include <algorithm>
#include <vector>

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  if (n == 0) return 0;
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
