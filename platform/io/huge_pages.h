// Big buffers (a 10 MB movie atom, the sample tables of hours of video) are filled once, front to
// back. With 4 KiB pages every first touch of a page is a fault, and on a virtual machine faults
// cost more than the copying itself; transparent huge pages make it one fault per 2 MiB, and the
// 4 KiB pages at the ends of a buffer are mapped in one call instead of one fault each.
#pragma once

#include <cstddef>
#include <vector>

namespace tvx {

/// How much of a buffer its owner is going to write.
enum class Fill {
  kWhole,  // every byte (a read buffer, a table of a known size)
  kFront,  // from the front, an unknown amount (an output buffer sized by a bound)
};

/// Asks the kernel for huge pages over the 2 MiB blocks that lie wholly inside [data, data +
/// bytes), and maps the pages in front of the first block now (and, for kWhole, behind the last).
/// Advice only: nothing happens where the kernel or the allocator says no. Buffers under 2 MiB
/// get only the mapping, small ones nothing.
void AdviseHugePages(const void* data, std::size_t bytes, Fill fill);

/// Reserves room for n elements that the caller is about to write, with huge pages when the room
/// is large. Call before the elements are written, or the pages are already there.
template <typename T>
void ReserveLarge(std::vector<T>& v, std::size_t n) {
  v.reserve(n);
  AdviseHugePages(v.data(), n * sizeof(T), Fill::kWhole);
}

}  // namespace tvx
