// "Now" for creation and modification times, in seconds since 1904-01-01 (QuickTime epoch).
#pragma once

#include <cstdint>

namespace tvx {

/// Seconds between 1904-01-01 and 1970-01-01.
constexpr std::uint64_t kMacEpochOffset = 2082844800;

/// The current time, or SOURCE_DATE_EPOCH when set to a valid number (reproducible builds).
std::uint64_t MacTimeNow();

}  // namespace tvx
