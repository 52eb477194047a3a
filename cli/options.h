// The option parser: whole-run settings and one settings record per input movie.
#pragma once

#include <iosfwd>
#include <list>
#include <string>
#include <vector>

#include "cli/function_type.h"
#include "cli/movie_struct.h"
#include "cli/run_options.h"

/// What the driver does after parsing: go on with the run, or end the process with exitStatus.
struct ParseOutcome {
  bool exit = false;
  int exitStatus = 0;
};

/// Parses `args` (the arguments after the program path) left to right into `options` (whose
/// quiet field holds the preference's default on entry) and `records`. File names come from
/// `stdinNames` when -names-from-stdin is met. An unrecognized option, or one whose values are
/// missing at the end of the line, prints its line and the usage text to `err` and asks for
/// exit status 1.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args, functionType function,
                              const std::string& programPath, const std::string& programName,
                              RunOptions& options, std::list<MovieStruct>& records,
                              std::istream& stdinNames, std::ostream& err);
