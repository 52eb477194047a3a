#include "mac_time.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace tvx {

std::uint64_t MacTimeNow() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(epoch, &end, 10);
    if (errno == 0 && end != nullptr && *end == '\0' && *epoch != '-') return value + kMacEpochOffset;
  }
  std::time_t now = std::time(nullptr);
  return now < 0 ? 0 : std::uint64_t(now) + kMacEpochOffset;
}

}  // namespace tvx
