#include "cli/options.h"

#include <boost/filesystem/path.hpp>
#include <istream>
#include <ostream>

#include "cli/numeric.h"
#include "cli/usage.h"

namespace {

constexpr unsigned kConcatenate = 1u << concatenateFunction;
constexpr unsigned kMultiplex = 1u << multiplexFunction;
constexpr unsigned kModify = 1u << modifyFunction;
constexpr unsigned kAll = kConcatenate | kMultiplex | kModify;

struct Parser {
  const std::vector<std::string>& args;
  std::size_t cursor;
  RunOptions& options;
  std::list<MovieStruct>& records;
  MovieStruct shared;
  MovieStruct* current;
  std::istream& stdinNames;
  std::ostream& err;

  // The argument after the option, or nullptr when the option stands last.
  const std::string* NextValue() {
    if (cursor + 1 >= args.size()) return nullptr;
    return &args[++cursor];
  }
};

// false: the option's values are missing, which makes it unrecognized.
using Handler = bool (*)(Parser&);

struct Option {
  const char* name;
  unsigned functions;
  Handler handle;
};

template <bool RunOptions::*field, bool value>
bool SetRunFlag(Parser& p) {
  p.options.*field = value;
  return true;
}

template <bool MovieStruct::*field, bool value>
bool SetRecordFlag(Parser& p) {
  p.current->*field = value;
  return true;
}

bool ReadNamesFromStdin(Parser& p) {
  p.options.namesFromStdin = true;
  // Lines as they are: an empty line is an empty name and a carriage return stays in the name.
  std::string line;
  while (std::getline(p.stdinNames, line)) {
    MovieStruct record(*p.current);
    record.fileName = line;
    p.records.push_back(std::move(record));
  }
  return true;
}

bool AddName(Parser& p, std::set<std::string> MovieStruct::*names) {
  const std::string* value = p.NextValue();
  if (value == nullptr) return false;
  (p.current->*names).insert(*value);
  return true;
}

// Scale or rotate `matrix` with the value and the optional "-about" X Y tail.
enum class Transform { scaleBoth, scaleVertical, scaleHorizontal, rotate };
bool TransformAbout(Parser& p, MatrixRecord MovieStruct::*matrix, Transform transform) {
  if (p.cursor + 1 >= p.args.size()) return false;
  Fixed x = 0, y = 0;
  Fixed value = GetFixedAbout(p.args, p.cursor, x, y);
  MatrixRecord* m = &(p.current->*matrix);
  switch (transform) {
    case Transform::scaleBoth: ScaleMatrix(m, value, value, x, y); break;
    case Transform::scaleVertical: ScaleMatrix(m, fixed1, value, x, y); break;
    case Transform::scaleHorizontal: ScaleMatrix(m, value, fixed1, x, y); break;
    case Transform::rotate: RotateMatrix(m, value, x, y); break;
  }
  return true;
}

bool Translate(Parser& p, bool vertical) {
  const std::string* value = p.NextValue();
  if (value == nullptr) return false;
  Fixed pixels = GetFixed(*value);
  TranslateMatrix(&p.current->trackMatrix, vertical ? 0 : pixels, vertical ? pixels : 0);
  return true;
}

constexpr Option kOptions[] = {
    // Whole-run options.
    {"-q", kAll, SetRunFlag<&RunOptions::quiet, true>},
    {"-self-contained", kAll, SetRunFlag<&RunOptions::selfContained, true>},
    {"-no-fast-start", kAll, [](Parser& p) { p.options.flattenFlags &= ~0x40; return true; }},
    {"-no-compress-header", kAll, [](Parser& p) { p.options.flattenFlags &= ~0x20; return true; }},
    {"-unique-tracks", kConcatenate, SetRunFlag<&RunOptions::uniqueTracks, true>},
    {"-force-same-tracks", kConcatenate, SetRunFlag<&RunOptions::forceSameTracks, true>},
    {"-mp4", kAll, SetRunFlag<&RunOptions::outputMP4, true>},
    {"-names-from-stdin", kAll, ReadNamesFromStdin},
    {"-name-from-stdin", kAll, ReadNamesFromStdin},
    {"-scale", kMultiplex, SetRunFlag<&RunOptions::scaleToOutput, true>},
    {"-noscale", kMultiplex, SetRunFlag<&RunOptions::scaleToOutput, false>},
    {"-o", kAll,
     [](Parser& p) {
       const std::string* value = p.NextValue();
       if (value == nullptr) return false;
       p.options.outputPath = boost::filesystem::path(*value);
       p.options.outputPathGiven = true;
       return true;
     }},
    // Per-record options: they change the current record.
    {"-trimToShortestTrack", kAll, SetRecordFlag<&MovieStruct::trimToShortestTrack, true>},
    {"-chapter", kAll, [](Parser& p) { return AddName(p, &MovieStruct::chaptersToInclude); }},
    {"-nochapter", kAll, [](Parser& p) { return AddName(p, &MovieStruct::chaptersToExclude); }},
    {"-chaplist", kAll, SetRecordFlag<&MovieStruct::listChapters, true>},
    {"-nochaplist", kAll, SetRecordFlag<&MovieStruct::listChapters, false>},
    {"-track", kAll, [](Parser& p) { return AddName(p, &MovieStruct::tracksToInclude); }},
    {"-notrack", kAll, [](Parser& p) { return AddName(p, &MovieStruct::tracksToExclude); }},
    {"-list", kAll, SetRecordFlag<&MovieStruct::listTracks, true>},
    {"-nolist", kAll, SetRecordFlag<&MovieStruct::listTracks, false>},
    {"-noresolve", kAll, [](Parser& p) { p.current->openFlags |= 2; return true; }},
    {"-use-settings", kAll, SetRecordFlag<&MovieStruct::useSettings, true>},
    {"-no-convert-tags", kAll, SetRecordFlag<&MovieStruct::noConvertTags, true>},
    {"-sscale", kAll,
     [](Parser& p) { return TransformAbout(p, &MovieStruct::trackMatrix, Transform::scaleBoth); }},
    {"-vscale", kAll,
     [](Parser& p) {
       return TransformAbout(p, &MovieStruct::trackMatrix, Transform::scaleVertical);
     }},
    {"-hscale", kAll,
     [](Parser& p) {
       return TransformAbout(p, &MovieStruct::trackMatrix, Transform::scaleHorizontal);
     }},
    {"-rotate", kAll,
     [](Parser& p) { return TransformAbout(p, &MovieStruct::trackMatrix, Transform::rotate); }},
    {"-vtranslate", kAll, [](Parser& p) { return Translate(p, true); }},
    {"-htranslate", kAll, [](Parser& p) { return Translate(p, false); }},
    {"-msscale", kAll,
     [](Parser& p) { return TransformAbout(p, &MovieStruct::movieMatrix, Transform::scaleBoth); }},
    {"-mvscale", kAll,
     [](Parser& p) {
       return TransformAbout(p, &MovieStruct::movieMatrix, Transform::scaleVertical);
     }},
    {"-mhscale", kAll,
     [](Parser& p) {
       return TransformAbout(p, &MovieStruct::movieMatrix, Transform::scaleHorizontal);
     }},
    {"-mrotate", kAll,
     [](Parser& p) { return TransformAbout(p, &MovieStruct::movieMatrix, Transform::rotate); }},
    {"-resetmatrix", kAll, SetRecordFlag<&MovieStruct::resetTrackMatrix, true>},
    {"-resetmmatrix", kAll, SetRecordFlag<&MovieStruct::resetMovieMatrix, true>},
    {"-rate", kAll,
     [](Parser& p) {
       const std::string* value = p.NextValue();
       if (value == nullptr) return false;
       p.current->rate = GetFloat(*value);
       return true;
     }},
    {"-save-in-place", kModify, SetRecordFlag<&MovieStruct::saveInPlace, true>},
};

const Option* FindOption(const std::string& argument, functionType function) {
  for (const Option& option : kOptions)
    if (argument == option.name && (option.functions & (1u << function)) != 0) return &option;
  return nullptr;
}

}  // namespace

ParseOutcome ParseCommandLine(const std::vector<std::string>& args, functionType function,
                              const std::string& programPath, const std::string& programName,
                              RunOptions& options, std::list<MovieStruct>& records,
                              std::istream& stdinNames, std::ostream& err) {
  Parser p{args, 0, options, records, MovieStruct(""), nullptr, stdinNames, err};
  p.current = &p.shared;
  bool optionsActive = true;
  for (; p.cursor < args.size(); ++p.cursor) {
    const std::string& argument = args[p.cursor];
    if (optionsActive) {
      if (const Option* option = FindOption(argument, function)) {
        const std::string& name = argument;
        if (option->handle(p)) continue;
        // Nothing left to take for its values: never read past the last argument.
        err << "Unrecognized option " << name << '\n';
        usage(programPath, function, programName, err);
        return ParseOutcome{true, 1};
      }
      if (argument == "-") {
        optionsActive = false;
        continue;
      }
      if (!argument.empty() && argument[0] == '-') {
        err << "Unrecognized option " << argument << '\n';
        usage(programPath, function, programName, err);
        return ParseOutcome{true, 1};
      }
    }
    if (options.namesFromStdin) {
      err << "Ignoring argument " << argument << " because -names-from-stdin was passed\n";
      continue;
    }
    MovieStruct record(p.shared);
    record.fileName = argument;
    records.push_back(std::move(record));
    p.current = &records.back();
  }
  return ParseOutcome{};
}
