#include "huge_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tvx {

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
// Below this, the few faults cost less than the system calls.
constexpr std::size_t kWorthACall = 64 * 1024;

// Maps the whole pages inside [begin, end) writable now. Older kernels refuse; then the pages
// come one fault at a time, as without the call.
void Populate(std::uintptr_t begin, std::uintptr_t end) {
#ifdef MADV_POPULATE_WRITE
  const auto page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
  begin = (begin + page - 1) & ~(page - 1);
  end &= ~(page - 1);
  if (begin < end) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)begin;
  (void)end;
#endif
}

}  // namespace

void AdviseHugePages(const void* data, std::size_t bytes, Fill fill) {
#ifdef MADV_HUGEPAGE
  if (data == nullptr || bytes < kWorthACall) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t end = begin + bytes;
  const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t last = end & ~(kHugePage - 1);
  // The range is memory the caller owns; a refusal (no THP support) changes nothing.
  if (first >= last) {  // no whole block inside
    Populate(begin, fill == Fill::kWhole ? end : first < end ? first : end);
    return;
  }
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  Populate(begin, first);
  if (fill == Fill::kWhole) Populate(last, end);
#else
  (void)data;
  (void)bytes;
  (void)fill;
#endif
}

}  // namespace tvx
