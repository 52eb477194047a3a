// The current user's standard folders, found through the folder manager.
#include "output/folder_paths.h"

#include <cstring>
#include <iostream>
#include <memory>

#include "cli/report.h"

namespace {
// Far beyond any real path; only stops a lookup that keeps asking for more room.
constexpr UInt32 kLargestPathBuffer = 1u << 20;
}  // namespace

std::string Path(const FSRef& ref) {
  UInt32 size = 64;
  std::unique_ptr<UInt8[]> buffer;
  OSErr status = noErr;
  do {
    buffer.reset();
    size *= 2;
    buffer.reset(new UInt8[size]());  // zeroed: a failed lookup leaves an empty string
    status = FSRefMakePath(&ref, buffer.get(), size);
    if (status != noErr) std::cerr << "Error was " << status << std::endl;
  } while (status == pathTooLongErr && size < kLargestPathBuffer);
  const char* text = reinterpret_cast<const char*>(buffer.get());
  return std::string(text, strnlen(text, size));
}

boost::filesystem::path path_from_fsref(const FSRef& ref) {
  return boost::filesystem::path(Path(ref));
}

boost::filesystem::path PathToFolderType(UInt32 folderType) {
  FSRef ref;
  const OSErr status = FSFindFolder(kUserDomain, folderType, kCreateFolder, &ref);
  if (status != noErr) REPORT_ERROR("FSFindFolder", status);
  return path_from_fsref(ref);
}

boost::filesystem::path PathToDesktop() { return PathToFolderType(kDesktopFolderType); }
