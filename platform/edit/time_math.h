// Exact integer arithmetic for converting times between scales and rates.
#pragma once

#include <cstdint>
#include <limits>

#include "../MacTypes.h"

namespace tvx {

/// a * b / c rounded to nearest (halves away from zero), computed in 128 bits; c != 0.
inline std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
  __int128 n = __int128(a) * b;
  __int128 d = c;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  __int128 q = n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
  if (q > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (q < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return std::int64_t(q);
}

/// a * b / c rounded towards negative infinity; c > 0.
inline std::int64_t MulDivFloor(std::int64_t a, std::int64_t b, std::int64_t c) {
  __int128 n = __int128(a) * b;
  __int128 q = n / c;
  if (n % c != 0 && n < 0) --q;
  if (q > std::numeric_limits<std::int64_t>::max()) return std::numeric_limits<std::int64_t>::max();
  if (q < std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::min();
  return std::int64_t(q);
}

inline bool FitsTimeValue(std::int64_t t) {
  return t >= std::numeric_limits<TimeValue>::min() && t <= std::numeric_limits<TimeValue>::max();
}

}  // namespace tvx
