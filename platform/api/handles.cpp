// Handles: a block whose first member is the data pointer, so a Handle is the block's address.
#include <cstdlib>
#include <cstring>
#include <new>

#include "../MacMemory.h"

namespace {
struct HandleBlock {
  char* data;  // first member: Handle points here
  Size size;
};

OSErr lastMemError = noErr;

HandleBlock* BlockOf(Handle h) { return reinterpret_cast<HandleBlock*>(h); }

Handle Allocate(Size byteCount, bool clear) {
  if (byteCount < 0) {
    lastMemError = paramErr;
    return nullptr;
  }
  auto* block = new (std::nothrow) HandleBlock{nullptr, 0};
  if (block == nullptr) {
    lastMemError = memFullErr;
    return nullptr;
  }
  // Never a null data pointer, so an empty handle can still be dereferenced safely.
  block->data = static_cast<char*>(clear ? std::calloc(std::size_t(byteCount) + 1, 1)
                                         : std::malloc(std::size_t(byteCount) + 1));
  if (block->data == nullptr) {
    delete block;
    lastMemError = memFullErr;
    return nullptr;
  }
  block->size = byteCount;
  lastMemError = noErr;
  return &block->data;
}
}  // namespace

Handle NewHandle(Size byteCount) { return Allocate(byteCount, false); }

Handle NewHandleClear(Size byteCount) { return Allocate(byteCount, true); }

void DisposeHandle(Handle h) {
  if (h == nullptr) return;
  HandleBlock* block = BlockOf(h);
  std::free(block->data);
  delete block;
}

Size GetHandleSize(Handle h) { return h == nullptr ? 0 : BlockOf(h)->size; }

void SetHandleSize(Handle h, Size newSize) {
  if (h == nullptr || newSize < 0) {
    lastMemError = h == nullptr ? paramErr : memFullErr;
    return;
  }
  HandleBlock* block = BlockOf(h);
  char* grown = static_cast<char*>(std::realloc(block->data, std::size_t(newSize) + 1));
  if (grown == nullptr) {
    lastMemError = memFullErr;
    return;
  }
  block->data = grown;
  block->size = newSize;
  lastMemError = noErr;
}

OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size) {
  if (dstHndl == nullptr || size < 0) return paramErr;
  Handle h = NewHandle(size);
  if (h == nullptr) return memFullErr;
  if (size > 0) std::memcpy(*h, srcPtr, std::size_t(size));
  *dstHndl = h;
  return noErr;
}

void HLock(Handle) {}
void HUnlock(Handle) {}

OSErr MemError() { return lastMemError; }
