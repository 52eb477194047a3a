// File Manager and Folder Manager calls over POSIX paths.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "../Files.h"
#include "atomic_file.h"

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

// XDG_DESKTOP_DIR from user-dirs.dirs: lines XDG_DESKTOP_DIR="$HOME/Desktop" or an absolute
// path in double quotes; "$HOME/" alone means the home folder itself.
std::string DesktopFromUserDirs(const std::string& home) {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const std::string config =
      configHome && *configHome == '/' ? std::string(configHome) : home + "/.config";
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line, found;
  while (std::getline(in, line)) {
    const std::string::size_type start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const std::string key = "XDG_DESKTOP_DIR=";
    if (line.compare(start, key.size(), key) != 0) continue;
    std::string value = line.substr(start + key.size());
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
      value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/'))
      value = home + value.substr(5);
    else if (value.compare(0, 7, "${HOME}") == 0 && (value.size() == 7 || value[7] == '/'))
      value = home + value.substr(7);
    if (!value.empty() && value[0] == '/') found = value;  // the last valid line wins
  }
  while (found.size() > 1 && found.back() == '/') found.pop_back();
  return found;
}

// Makes the folder and any missing parents.
OSErr MakeFolders(const std::string& path) {
  struct stat st{};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? noErr : notAFileErr;
  const std::string::size_type slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0)
    if (OSErr err = MakeFolders(path.substr(0, slash))) return err;
  if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return tvx::StatusFromErrno(errno);
  return noErr;
}

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
void FillUnicodeName(const std::string& name, HFSUniStr255* out) {
  out->length = 0;
  std::size_t i = 0;
  while (i < name.size() && out->length < 255) {
    const auto c = static_cast<unsigned char>(name[i]);
    UInt32 cp = 0xFFFD;
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra >= 0 && i + std::size_t(extra) < name.size()) {
      cp = extra == 0 ? c : c & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(name[i + std::size_t(k)]);
        if ((b & 0xC0) != 0x80) {
          cp = 0xFFFD;
          extra = k - 1;
          break;
        }
        cp = (cp << 6) | (b & 0x3F);
      }
    } else {
      extra = 0;
    }
    i += std::size_t(extra) + 1;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      if (out->length + 2 > 255) break;
      cp -= 0x10000;
      out->unicode[out->length++] = UInt16(0xD800 + (cp >> 10));
      out->unicode[out->length++] = UInt16(0xDC00 + (cp & 0x3FF));
    } else {
      out->unicode[out->length++] = UInt16(cp > 0xFFFF ? 0xFFFD : cp);
    }
  }
}

}  // namespace

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap /*whichInfo*/,
                       FSCatalogInfo* catalogInfo, HFSUniStr255* outName, FSSpec* fsSpec,
                       FSRef* parentRef) {
  if (!ref || ref->path.empty()) return fnfErr;
  struct stat st{};
  if (::stat(ref->path.c_str(), &st) != 0) return tvx::StatusFromErrno(errno);
  const std::string path = ref->path;  // ref may alias parentRef
  std::string::size_type slash = path.rfind('/');
  if (catalogInfo) catalogInfo->dataLogicalSize = UInt64(st.st_size);
  if (outName) FillUnicodeName(slash == std::string::npos ? path : path.substr(slash + 1), outName);
  if (fsSpec) fsSpec->path = path;
  if (parentRef)
    parentRef->path = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return noErr;
}

OSErr FSFindFolder(SInt16 /*vRefNum*/, OSType folderType, Boolean createFolder, FSRef* foundRef) {
  if (!foundRef) return paramErr;
  if (folderType != kDesktopFolderType) return fnfErr;
  const std::string home = HomeFolder();
  std::string desktop = DesktopFromUserDirs(home);
  if (desktop.empty()) desktop = (home == "/" ? "" : home) + "/Desktop";
  struct stat st{};
  if (::stat(desktop.c_str(), &st) != 0) {
    if (!createFolder) return fnfErr;
    if (OSErr err = MakeFolders(desktop)) return err;
  } else if (!S_ISDIR(st.st_mode)) {
    return notAFileErr;
  }
  foundRef->path = desktop;
  return noErr;
}

OSErr FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
  if (!ref || !path || maxPathSize == 0) return paramErr;
  path[0] = 0;
  if (ref->path.empty()) return fnfErr;
  if (ref->path.size() + 1 > maxPathSize) return pathTooLongErr;
  std::memcpy(path, ref->path.c_str(), ref->path.size() + 1);
  return noErr;
}
