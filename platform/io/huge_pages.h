// Big buffers (a 10 MB movie atom, the sample tables of hours of video) are filled once, front to
// back. With 4 KiB pages every first touch of a page is a fault, and on a virtual machine faults
// cost more than the copying itself; transparent huge pages make it one fault per 2 MiB.
#pragma once

#include <cstddef>
#include <vector>

namespace tvx {

/// Asks the kernel for huge pages over the 2 MiB blocks that lie wholly inside [data, data +
/// bytes). Advice only: nothing happens where the kernel or the allocator says no.
void AdviseHugePages(const void* data, std::size_t bytes);

/// Reserves room for n elements and advises huge pages for it when the room is large. Call
/// before the elements are written, or the pages are already there.
template <typename T>
void ReserveLarge(std::vector<T>& v, std::size_t n) {
  v.reserve(n);
  AdviseHugePages(v.data(), v.capacity() * sizeof(T));
}

}  // namespace tvx
