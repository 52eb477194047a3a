// File references, catalog information and standard folders.
// An FSRef or FSSpec names a file by its absolute POSIX path.
#pragma once

#include <string>

#include "MacTypes.h"

struct FSRef {
  std::string path;  // absolute; empty when unset
};

struct FSSpec {
  std::string path;  // absolute; empty when unset
};

using FSCatalogInfoBitmap = UInt32;
constexpr FSCatalogInfoBitmap kFSCatInfoNone = 0;
struct FSCatalogInfo {
  UInt64 dataLogicalSize;
};
struct HFSUniStr255 {
  UInt16 length;
  UInt16 unicode[255];
};

constexpr SInt16 kUserDomain = -32763;
constexpr OSType kDesktopFolderType = FOUR_CHAR_CODE("desk");
constexpr Boolean kCreateFolder = 1;
constexpr Boolean kDontCreateFolder = 0;

/// fnfErr when nothing is at the reference's path.
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);
/// The user's standard folder; with createFolder the folder is made when missing.
OSErr FSFindFolder(SInt16 vRefNum, OSType folderType, Boolean createFolder, FSRef* foundRef);
/// Zero-terminated POSIX path; pathTooLongErr when it does not fit maxPathSize bytes.
OSErr FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);
