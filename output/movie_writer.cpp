// Writing the output as a QuickTime movie: a reference movie or a self-contained one.
#include "output/movie_writer.h"

#include <cstring>
#include <vector>

#include "cli/report.h"
#include "platform/CoreFoundation.h"

namespace {
constexpr OSType kCreator = FOUR_CHAR_CODE("TVOD");
// An absolute path longer than this is not a path the system could open anyway.
constexpr CFIndex kLargestPathBuffer = 1 << 20;
}  // namespace

OSErr PathToDataRef(std::string path, Handle& dataRef, OSType& dataRefType) {
  CFURLRef url = CFURLCreateFromFileSystemRepresentation(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path.data()),
      static_cast<CFIndex>(path.size()), false);
  if (url == nullptr) return paramErr;

  // The absolute path, in a buffer that doubles from 512 bytes until it fits.
  std::vector<UInt8> absolute;
  bool converted = false;
  for (CFIndex size = 512; size <= kLargestPathBuffer && !converted; size *= 2) {
    absolute.assign(static_cast<std::size_t>(size), 0);
    converted = CFURLGetFileSystemRepresentation(url, true, absolute.data(), size) != 0;
  }
  CFRelease(url);
  if (!converted) return pathTooLongErr;

  const char* text = reinterpret_cast<const char*>(absolute.data());
  CFStringRef string = CFStringCreateWithBytes(kCFAllocatorDefault, absolute.data(),
                                               static_cast<CFIndex>(strnlen(text, absolute.size())),
                                               kCFStringEncodingUTF8, false);
  const OSErr status =
      QTNewDataReferenceFromFullPathCFString(string, kQTPOSIXPathStyle, 0, &dataRef, &dataRefType);
  if (string != nullptr) CFRelease(string);
  return status;
}

void writeMovieToFile(Movie movie, std::string path, bool selfContained,
                      std::int32_t flattenFlags) {
  // No input produced a movie: their errors are reported already, and creating the file would
  // only replace whatever is at the destination with an empty movie.
  if (movie == nullptr) return;

  Handle dataRef = nullptr;
  OSType dataRefType = 0;
  OSErr status = PathToDataRef(path, dataRef, dataRefType);
  if (status != noErr) REPORT_ERROR("PathToDataRef", status);

  if (selfContained) {
    FlattenMovieDataToDataRef(movie, flattenFlags | flattenAddMovieToDataFork, dataRef, dataRefType,
                              kCreator, smSystemScript, createMovieFileDeleteCurFile);
    status = GetMoviesError();
    if (status != noErr) REPORT_ERROR("FlattenMovieDataToDataRef", status);
  } else {
    DataHandler dataHandler = nullptr;
    status = CreateMovieStorage(dataRef, dataRefType, kCreator, smSystemScript,
                                createMovieFileDeleteCurFile, &dataHandler, nullptr);
    if (status != noErr) REPORT_ERROR("CreateMovieStorage", status);
    if (dataHandler != nullptr) {
      // Tested, unlike the classic tool: the storage refuses, for one, to write a reference
      // movie over a file that its media live in, and that must not pass for success.
      status = AddMovieToStorage(movie, dataHandler);
      if (status != noErr) REPORT_ERROR("AddMovieToStorage", status);
      CloseComponent(dataHandler);
    }
  }

  if (dataRef != nullptr) DisposeHandle(dataRef);
}
