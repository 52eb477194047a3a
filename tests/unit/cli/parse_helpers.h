// Runs the option parser on an argument list with in-memory standard input and error streams.
#pragma once

#include <list>
#include <sstream>
#include <string>
#include <vector>

#include "cli/options.h"

struct Parsed {
  ParseOutcome outcome;
  RunOptions options;
  std::list<MovieStruct> records;
  std::string err;
  std::string stdinLeft;  // what the parser did not read

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const MovieStruct& r : records) names.push_back(r.fileName);
    return names;
  }
  const MovieStruct& Record(size_t i) const {
    auto it = records.begin();
    std::advance(it, i);
    return *it;
  }
};

inline Parsed Parse(functionType function, const std::vector<std::string>& args,
                    const std::string& stdinText = "") {
  Parsed p;
  std::istringstream in(stdinText);
  std::ostringstream err;
  p.outcome = ParseCommandLine(args, function, "prog", "prog", p.options, p.records, in, err);
  p.err = err.str();
  std::getline(in, p.stdinLeft, '\0');
  return p;
}
