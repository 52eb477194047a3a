#include "cli/driver.h"

#include <boost/filesystem/path.hpp>
#include <iostream>
#include <list>
#include <vector>

#include "assembly/assemble_output.h"
#include "cli/movie_struct.h"
#include "cli/options.h"
#include "cli/report.h"
#include "cli/run_options.h"
#include "cli/usage.h"
#include "output/write_output.h"
#include "platform/CoreFoundation.h"
#include "platform/Movies.h"

namespace {

void PrintClosingNote() {
  if (errors > 1) {
    std::cerr << "(Yes, we know these error messages stink. Email us at <" << SupportAddress()
              << ">\nif you can't figure out what they mean.)\n";
  } else if (errors == 1) {
    std::cerr << "(Yes, we know this error message stinks. Email us at <" << SupportAddress()
              << ">\nif you can't figure out what it means.)\n";
  }
  std::cerr.flush();
}

}  // namespace

const char* SupportAddress() { return TALVENIX_SUPPORT_EMAIL; }

functionType FunctionForProgramName(const std::string& programName) {
  if (programName == "clipstack") return multiplexFunction;
  if (programName == "cliptweak") return modifyFunction;
  return concatenateFunction;
}

bool GetQuiet() {
  Boolean valid = false;
  Boolean quiet = CFPreferencesGetAppBooleanValue(CFSTR("quiet"),
                                                  CFSTR(TALVENIX_PREFERENCES_DOMAIN), &valid);
  return quiet && valid;
}

int RunProgram(int argc, char** argv) {
  const std::string programPath = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  const std::string programName = boost::filesystem::path(programPath).filename().string();
  const functionType function = FunctionForProgramName(programName);

  EnterMovies();

  RunOptions options;
  options.quiet = GetQuiet();
  std::list<MovieStruct> records;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
  ParseOutcome parsed = ParseCommandLine(args, function, programPath, programName, options,
                                         records, std::cin, std::cerr);
  if (parsed.exit) return parsed.exitStatus;

  if (records.empty()) {
    std::cerr << "No movies found\n";
    usage(programPath, function, programName, std::cerr);
    return 2;
  }

  Movie movie = assembleOutputMovie(records, options, function);
  int runResult = writeOutputMovie(movie, records, programName, options, function);

  if (!options.quiet) PrintClosingNote();
  // A run that otherwise finished but counted errors fails; "cannot be MPEG-4" (4) stays.
  if (runResult == 0 && errors > 0) return 1;
  return runResult;
}
