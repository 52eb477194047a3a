#include "data_ref_path.h"

#include <cstring>

#include "../MacMemory.h"

namespace tvx {

OSErr PathFromDataRef(Handle dataRef, OSType dataRefType, std::string* path) {
  if (dataRef == nullptr || *dataRef == nullptr || path == nullptr) return paramErr;
  if (dataRefType != kPathDataRefType) return invalidDataRef;
  Size size = GetHandleSize(dataRef);
  if (size <= 0) return invalidDataRef;
  const void* end = std::memchr(*dataRef, '\0', std::size_t(size));
  if (end == nullptr) return invalidDataRef;
  std::string text(static_cast<const char*>(*dataRef), static_cast<const char*>(end));
  if (text.empty() || text.front() != '/') return invalidDataRef;
  *path = std::move(text);
  return noErr;
}

OSErr NewPathDataRef(const std::string& path, Handle* dataRef) {
  Handle h = NewHandle(Size(path.size() + 1));
  if (h == nullptr) return memFullErr;
  std::memcpy(*h, path.c_str(), path.size() + 1);
  *dataRef = h;
  return noErr;
}

}  // namespace tvx
