// Whole-run settings filled by the option parser.
#pragma once

#include <boost/filesystem/path.hpp>
#include <cstdint>

struct RunOptions {
  bool quiet = false;
  bool selfContained = false;
  std::int32_t flattenFlags = 0x60;
  bool uniqueTracks = false;
  bool forceSameTracks = false;
  bool outputMP4 = false;
  bool namesFromStdin = false;
  bool scaleToOutput = false;
  boost::filesystem::path outputPath;
  bool outputPathGiven = false;
};
