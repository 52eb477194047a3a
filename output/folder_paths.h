// The current user's standard folders.
#pragma once

#include <boost/filesystem/path.hpp>
#include <string>

#include "platform/Files.h"

std::string Path(const FSRef& ref);
boost::filesystem::path path_from_fsref(const FSRef& ref);
boost::filesystem::path PathToFolderType(UInt32 folderType);
boost::filesystem::path PathToDesktop();
