// Core Foundation URLs and strings, as far as the tool and the engine use them.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "../CoreFoundation.h"
#include "../Files.h"
#include "cf_object.h"

namespace {

constexpr CFStringEncoding kASCII = 0x0600;

std::string CurrentDirectory() {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

// Strict UTF-8 (RFC 3629): no overlongs, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const UInt8* p, CFIndex n) {
  CFIndex i = 0;
  while (i < n) {
    UInt8 c = p[i];
    int extra;
    UInt32 cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    static constexpr UInt32 kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

namespace tvx {
const std::string* CFStringText(CFStringRef cf) {
  return cf && cf->kind == CFObjectRecord::Kind::string ? &cf->text : nullptr;
}
const std::string* CFURLPath(CFURLRef cf) {
  return cf && cf->kind == CFObjectRecord::Kind::url ? &cf->absolute : nullptr;
}
}  // namespace tvx

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean) {
  if (buffer == nullptr || bufLen <= 0) return nullptr;
  auto url = new CFObjectRecord{CFObjectRecord::Kind::url, {}, {}, false};
  url->text.assign(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen));
  if (url->text.front() == '/') {
    url->absolute = url->text;
  } else {
    // Relative to the directory current now, as a file URL made from it would be.
    std::string cwd = CurrentDirectory();
    url->absolute = cwd == "/" ? "/" + url->text : cwd + "/" + url->text;
  }
  return url;
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen) {
  if (url == nullptr || url->kind != CFObjectRecord::Kind::url || buffer == nullptr) return false;
  const std::string& path = resolveAgainstBase ? url->absolute : url->text;
  if (path.find('\0') != std::string::npos) return false;  // not representable as a C string
  if (maxBufLen <= 0 || path.size() >= static_cast<size_t>(maxBufLen)) return false;
  std::memcpy(buffer, path.data(), path.size());
  buffer[path.size()] = 0;
  return true;
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
  if (url == nullptr || url->kind != CFObjectRecord::Kind::url || fsRef == nullptr) return false;
  if (url->absolute.find('\0') != std::string::npos) return false;
  struct stat st;
  if (stat(url->absolute.c_str(), &st) != 0) return false;
  fsRef->path = url->absolute;
  return true;
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
  if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) return nullptr;
  if (encoding == kCFStringEncodingUTF8) {
    // An external representation may start with a byte order mark, which is not text.
    if (isExternalRepresentation && numBytes >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB &&
        bytes[2] == 0xBF) {
      bytes += 3, numBytes -= 3;
    }
    if (!IsValidUtf8(bytes, numBytes)) return nullptr;
  } else if (encoding == kASCII) {
    for (CFIndex i = 0; i < numBytes; ++i)
      if (bytes[i] >= 0x80) return nullptr;
  } else {
    return nullptr;
  }
  auto s = new CFObjectRecord{CFObjectRecord::Kind::string, {}, {}, false};
  if (numBytes > 0) s->text.assign(reinterpret_cast<const char*>(bytes), size_t(numBytes));
  return s;
}

CFStringRef CFStringMakeConstantString(const char* cStr) {
  // One object per distinct text, so CFSTR in a loop does not grow memory.
  static std::map<std::string, std::unique_ptr<CFObjectRecord>> constants;
  std::string text = cStr ? cStr : "";
  auto& slot = constants[text];
  if (!slot) {
    slot = std::make_unique<CFObjectRecord>(
        CFObjectRecord{CFObjectRecord::Kind::string, text, {}, true});
  }
  return slot.get();
}

void CFRelease(CFTypeRef cf) {
  auto object = static_cast<const CFObjectRecord*>(cf);
  if (object == nullptr || object->constant) return;
  delete object;
}
