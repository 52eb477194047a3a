// The data references the storage calls take: a handle holding a file's absolute path, zero
// terminated, of type 'alis' (what QTNewDataReferenceFromFullPathCFString makes).
#pragma once

#include <string>

#include "../MacTypes.h"

namespace tvx {

constexpr OSType kPathDataRefType = FOUR_CHAR_CODE("alis");

/// The absolute path a data reference handle names. paramErr for no handle, invalidDataRef for
/// another type, an empty or relative path, or bytes without their terminating zero.
OSErr PathFromDataRef(Handle dataRef, OSType dataRefType, std::string* path);

/// A new handle naming path; memFullErr when it cannot be allocated.
OSErr NewPathDataRef(const std::string& path, Handle* dataRef);

}  // namespace tvx
