#include "huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace tvx {

namespace {
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
}

void AdviseHugePages(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  if (data == nullptr || bytes < kHugePage) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (first >= last) return;
  // The range is inside memory the caller owns; a refusal (no THP support) changes nothing.
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace tvx
