// The output stage: destination, notes and warnings, then the QuickTime writer or the MPEG-4
// export.
#include "output/write_output.h"

#include <iostream>

#include "cli/report.h"
#include "output/folder_paths.h"
#include "output/movie_writer.h"
#include "output/mpeg4_export.h"
#include "platform/write/progress.h"

namespace {

int WriteMPEG4(Movie movie, const std::string& extension, const RunOptions& options) {
  if (!CanOutputAsMPEG4(movie)) {
    std::cerr << "The file cannot be output as MPEG-4 without conversion." << std::endl;
    if (options.forceSameTracks) {
      std::cerr
          << "You can convert the file with iTunes (if audio only), QuickTime Pro, or qt_tools."
          << std::endl;
      std::cerr << "Type \"man Talvenix\" for more information." << std::endl;
    } else {
      std::cerr << "Try using the -force-same-tracks option." << std::endl;
    }
    return 4;
  }
  if (!options.quiet && !extension.empty() && extension != ".mp4" && extension != ".m4a" &&
      extension != ".m4b") {
    std::cerr << "Warning: the \"-mp4\" option produces MPEG-4 files" << std::endl;
    std::cerr << "Using a " << extension << " extension may confuse some programs." << std::endl;
    std::cerr << "Use no extension or .mp4, .m4a, or .m4b." << std::endl;
  }
  if (!options.quiet && MovieHasUserData(movie)) {
    std::cerr << "Warning: the movie has annotations that will not appear in the output file."
              << std::endl;
    std::cerr << "iTunes can be used to manually add annotations to m4a files." << std::endl;
  }
  const OSErr status = writeMovieToMPEG4(movie, options.outputPath.string());
  if (status != noErr) REPORT_ERROR("writeMovieToMPEG4", status);
  return 0;
}

int WriteQuickTime(Movie movie, const std::string& extension, std::size_t recordCount,
                   const std::string& programName, const RunOptions& options) {
  if (!options.quiet && !options.selfContained) {
    std::cerr << "A non-self-contained movie is being created. Do not delete your original movie"
              << (recordCount > 1 ? "s" : "") << "." << std::endl;
  }
  if (!options.quiet && !extension.empty() && extension != ".mov") {
    std::cerr << "Warning: " << programName << " produces QuickTime movies" << std::endl;
    std::cerr << "Using a " << extension << " extension may confuse some programs." << std::endl;
    std::cerr << "Use no extension or a .mov extension. If you are trying to create a file that"
              << std::endl;
    std::cerr
        << "plays on an iPod, type 'man Talvenix' for instructions, or try the \"-mp4\" option."
        << std::endl;
  }
  writeMovieToFile(movie, options.outputPath.string(), options.selfContained, options.flattenFlags);
  return 0;
}

}  // namespace

int writeOutputMovie(Movie movie, const std::list<MovieStruct>& records,
                     const std::string& programName, RunOptions& options, functionType function) {
  // The Desktop is looked up (and made) even when nothing will be written.
  if (!options.outputPathGiven) {
    options.outputPath = PathToDesktop();
    options.outputPath /= options.outputMP4 ? "out.mp4" : "out.mov";
  }
  if (function == modifyFunction && !records.empty() && records.front().saveInPlace) return 0;

  tvx::SetProgressEnabled(!options.quiet);
  const std::string extension = options.outputPath.extension().string();
  if (options.outputMP4) return WriteMPEG4(movie, extension, options);
  return WriteQuickTime(movie, extension, records.size(), programName, options);
}
