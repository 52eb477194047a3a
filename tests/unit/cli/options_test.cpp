// The option parser: record scope, standard input, rejected command lines, matrices.
#include <gtest/gtest.h>

#include <functional>

#include "cli/usage.h"
#include "parse_helpers.h"
#include "platform/Movies.h"

namespace {

using Names = std::vector<std::string>;

struct AcceptedCase {
  const char* what;
  functionType function;
  std::vector<std::string> args;
  std::string stdinText;
  Names names;
  std::string err;  // exact
  std::function<void(const Parsed&)> check;
};

void PrintTo(const AcceptedCase& c, std::ostream* os) { *os << c.what; }

class AcceptedCommandLine : public testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedCommandLine, FillsRecordsAndOptions) {
  const AcceptedCase& c = GetParam();
  Parsed p = Parse(c.function, c.args, c.stdinText);
  EXPECT_FALSE(p.outcome.exit) << c.what;
  EXPECT_EQ(p.Names(), c.names) << c.what;
  EXPECT_EQ(p.err, c.err) << c.what;
  if (c.check && p.records.size() == c.names.size()) c.check(p);
}

const AcceptedCase kAccepted[] = {
    {"two names, defaults", concatenateFunction, {"a.mov", "b.mov"}, "", {"a.mov", "b.mov"}, "",
     [](const Parsed& p) {
       for (const MovieStruct& r : p.records) {
         EXPECT_FALSE(r.listTracks);
         EXPECT_EQ(r.openFlags, 4);
         EXPECT_EQ(r.rate, 1.0);
       }
       EXPECT_EQ(p.options.flattenFlags, 0x60);
       EXPECT_FALSE(p.options.outputPathGiven);
     }},
    {"shared -list, -nolist after the second", concatenateFunction,
     {"-list", "a", "b", "-nolist"}, "", {"a", "b"}, "",
     [](const Parsed& p) {
       EXPECT_TRUE(p.Record(0).listTracks);
       EXPECT_FALSE(p.Record(1).listTracks);
     }},
    {"-list after the first name stays with it", concatenateFunction, {"a", "-list", "b"}, "",
     {"a", "b"}, "",
     [](const Parsed& p) {
       EXPECT_TRUE(p.Record(0).listTracks);
       EXPECT_FALSE(p.Record(1).listTracks);
     }},
    {"whole-run options after the last name", concatenateFunction,
     {"a", "-q", "-o", "first.mov", "-self-contained", "-o", "x/out.mov"}, "", {"a"}, "",
     [](const Parsed& p) {
       EXPECT_TRUE(p.options.quiet);
       EXPECT_TRUE(p.options.selfContained);
       EXPECT_TRUE(p.options.outputPathGiven);
       EXPECT_EQ(p.options.outputPath.string(), "x/out.mov");
     }},
    {"flatten flags", concatenateFunction, {"-no-fast-start", "a", "-no-compress-header"}, "",
     {"a"}, "", [](const Parsed& p) { EXPECT_EQ(p.options.flattenFlags, 0); }},
    {"name sets and switches", modifyFunction,
     {"a", "-track", "-list", "-track", "V", "-track", "V", "-notrack", "S", "-chapter", "c1",
      "-nochapter", "c2", "-noresolve", "-noresolve", "-rate", "3/4", "-save-in-place",
      "-use-settings", "-no-convert-tags", "-trimToShortestTrack", "-chaplist", "-resetmatrix",
      "-resetmmatrix"},
     "", {"a"}, "",
     [](const Parsed& p) {
       const MovieStruct& r = p.Record(0);
       // "-list" after "-track" is a track name, not an option.
       EXPECT_EQ(r.tracksToInclude, (std::set<std::string>{"-list", "V"}));
       EXPECT_FALSE(r.listTracks);
       EXPECT_EQ(r.tracksToExclude, (std::set<std::string>{"S"}));
       EXPECT_EQ(r.chaptersToInclude, (std::set<std::string>{"c1"}));
       EXPECT_EQ(r.chaptersToExclude, (std::set<std::string>{"c2"}));
       EXPECT_EQ(r.openFlags, 6);
       EXPECT_EQ(r.rate, 0.75);
       EXPECT_TRUE(r.saveInPlace && r.useSettings && r.noConvertTags && r.trimToShortestTrack &&
                   r.listChapters && r.resetTrackMatrix && r.resetMovieMatrix);
     }},
    {"function-only options in their function", multiplexFunction, {"-scale", "a"}, "", {"a"},
     "", [](const Parsed& p) { EXPECT_TRUE(p.options.scaleToOutput); }},
    {"-noscale clears", multiplexFunction, {"-scale", "a", "-noscale"}, "", {"a"}, "",
     [](const Parsed& p) { EXPECT_FALSE(p.options.scaleToOutput); }},
    {"track reuse options when joining", concatenateFunction,
     {"-unique-tracks", "-force-same-tracks", "-mp4", "a"}, "", {"a"}, "",
     [](const Parsed& p) {
       EXPECT_TRUE(p.options.uniqueTracks && p.options.forceSameTracks && p.options.outputMP4);
     }},
    {"'-' ends options; a second '-' is a name", concatenateFunction,
     {"a", "-", "-q", "-", "-list"}, "", {"a", "-q", "-", "-list"}, "",
     [](const Parsed& p) {
       EXPECT_FALSE(p.options.quiet);
       EXPECT_FALSE(p.Record(0).listTracks);
     }},
    {"an empty argument is a name", concatenateFunction, {""}, "", {""}, "", nullptr},
    {"stdin: empty line kept, last line without newline", concatenateFunction,
     {"-names-from-stdin"}, "a.mov\n\nb.mov", {"a.mov", "", "b.mov"}, "",
     [](const Parsed& p) { EXPECT_TRUE(p.options.namesFromStdin); }},
    {"stdin: carriage return and spaces stay in the name", modifyFunction,
     {"-name-from-stdin"}, " a.mov \r\n", {" a.mov \r"}, "", nullptr},
    {"stdin: a second read adds nothing", concatenateFunction,
     {"-names-from-stdin", "-name-from-stdin"}, "a\nb\n", {"a", "b"}, "", nullptr},
    {"stdin: empty input gives no records", concatenateFunction, {"-names-from-stdin"}, "", {},
     "", nullptr},
    {"stdin names copy the current record; later names are ignored", concatenateFunction,
     {"x.mov", "-list", "-names-from-stdin", "y.mov", "-nolist"}, "s1\n", {"x.mov", "s1"},
     "Ignoring argument y.mov because -names-from-stdin was passed\n",
     [](const Parsed& p) {
       EXPECT_FALSE(p.Record(0).listTracks);  // -nolist changed x.mov's own record afterwards
       EXPECT_TRUE(p.Record(1).listTracks);   // s1 took x.mov's settings when it was read
     }},
    {"stdin names before any file copy the shared record", concatenateFunction,
     {"-chaplist", "-names-from-stdin", "-list"}, "s1\ns2\n", {"s1", "s2"}, "",
     [](const Parsed& p) {
       for (const MovieStruct& r : p.records) {
         EXPECT_TRUE(r.listChapters);
         EXPECT_FALSE(r.listTracks);
       }
     }},
};

INSTANTIATE_TEST_SUITE_P(Parser, AcceptedCommandLine, testing::ValuesIn(kAccepted));

struct RejectedCase {
  functionType function;
  std::vector<std::string> args;
  std::string reported;  // the argument named in "Unrecognized option "
};

void PrintTo(const RejectedCase& c, std::ostream* os) {
  for (const std::string& a : c.args) *os << '"' << a << "\" ";
}

class RejectedCommandLine : public testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedCommandLine, PrintsTheOptionAndUsageAndExitsOne) {
  const RejectedCase& c = GetParam();
  Parsed p = Parse(c.function, c.args);
  EXPECT_TRUE(p.outcome.exit);
  EXPECT_EQ(p.outcome.exitStatus, 1);
  std::ostringstream expected;
  expected << "Unrecognized option " << c.reported << '\n';
  usage("prog", c.function, "prog", expected);
  EXPECT_EQ(p.err, expected.str());
}

const RejectedCase kRejected[] = {
    {multiplexFunction, {"-Q"}, "-Q"},
    {concatenateFunction, {"a", "-LIST"}, "-LIST"},
    {concatenateFunction, {"-no-compressed-header"}, "-no-compressed-header"},
    {concatenateFunction, {"-scale"}, "-scale"},
    {modifyFunction, {"-noscale"}, "-noscale"},
    {multiplexFunction, {"-unique-tracks"}, "-unique-tracks"},
    {modifyFunction, {"a", "-force-same-tracks"}, "-force-same-tracks"},
    {concatenateFunction, {"a", "-save-in-place"}, "-save-in-place"},
    {concatenateFunction, {"-about", "1", "2"}, "-about"},
    {concatenateFunction, {"-rotate=90"}, "-rotate=90"},
    // Values missing at the end: never read past the last argument.
    {concatenateFunction, {"a", "-track"}, "-track"},
    {concatenateFunction, {"a", "-o"}, "-o"},
    {concatenateFunction, {"a", "-rate"}, "-rate"},
    {concatenateFunction, {"a", "-htranslate"}, "-htranslate"},
    {concatenateFunction, {"a", "-rotate"}, "-rotate"},
    {concatenateFunction, {"a", "-msscale", "2", "-about"}, "-about"},
    {concatenateFunction, {"a", "-sscale", "2", "-about", "10"}, "-about"},
};

INSTANTIATE_TEST_SUITE_P(Parser, RejectedCommandLine, testing::ValuesIn(kRejected));

TEST(Parser, StopsAtTheUnrecognizedOption) {
  // Standard input named before the bad option is read; nothing after it is parsed.
  Parsed p = Parse(concatenateFunction, {"-names-from-stdin", "-Q", "-name-from-stdin"}, "a\n");
  EXPECT_EQ(p.outcome.exitStatus, 1);
  EXPECT_EQ(p.Names(), Names{"a"});

  Parsed q = Parse(concatenateFunction, {"-Q", "-names-from-stdin"}, "a\n");
  EXPECT_EQ(q.outcome.exitStatus, 1);
  EXPECT_TRUE(q.records.empty());
  EXPECT_EQ(q.stdinLeft, "a\n");
}

MatrixRecord Identity() {
  MatrixRecord m;
  SetIdentityMatrix(&m);
  return m;
}

MatrixRecord Rotated(Fixed degrees, Fixed x = 0, Fixed y = 0) {
  MatrixRecord m = Identity();
  RotateMatrix(&m, degrees, x, y);
  return m;
}

MatrixRecord Expect(Fixed a, Fixed b, Fixed c, Fixed d, Fixed tx, Fixed ty) {
  return MatrixRecord{{{a, b, 0}, {c, d, 0}, {tx, ty, fract1}}};
}

void ExpectMatrix(const MatrixRecord& actual, const MatrixRecord& expected, const char* what) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(actual.matrix[r][c], expected.matrix[r][c]) << what << " [" << r << "][" << c << "]";
}

TEST(Parser, MatrixOptionsAccumulateInCommandLineOrder) {
  constexpr Fixed k1 = fixed1;
  struct Case {
    const char* what;
    std::vector<std::string> args;
    size_t record;
    MatrixRecord track;
    MatrixRecord movie;
  };
  const Case cases[] = {
      {"shared and own rotation add up", {"-rotate", "90", "a", "-rotate", "90", "b"}, 0,
       Rotated(180 * k1), Identity()},
      {"the next file starts from the shared record", {"-rotate", "90", "a", "-rotate", "90", "b"},
       1, Rotated(90 * k1), Identity()},
      {"scale about a point", {"-sscale", "2", "-about", "10", "20", "a"}, 0,
       Expect(2 * k1, 0, 0, 2 * k1, -10 * k1, -20 * k1), Identity()},
      {"rotation as the last two arguments is about the origin", {"a", "-rotate", "90"}, 0,
       Rotated(90 * k1), Identity()},
      {"vertical and horizontal factors", {"a", "-vscale", "2", "-hscale", "1/2"}, 0,
       Expect(k1 / 2, 0, 0, 2 * k1, 0, 0), Identity()},
      {"translations", {"a", "-htranslate", "5", "-vtranslate", "-7.5"}, 0,
       Expect(k1, 0, 0, k1, 5 * k1, -7 * k1 - k1 / 2), Identity()},
      {"movie options change only the movie matrix",
       {"-mrotate", "90", "-about", "10", "20", "a", "-mvscale", "3", "-mhscale", "2", "-msscale",
        "1"},
       0, Identity(), [] {
         MatrixRecord m = Rotated(90 * k1, 10 * k1, 20 * k1);
         ScaleMatrix(&m, 2 * k1, 3 * k1, 0, 0);
         return m;
       }()},
  };
  for (const Case& c : cases) {
    Parsed p = Parse(concatenateFunction, c.args);
    ASSERT_GT(p.records.size(), c.record) << c.what;
    ExpectMatrix(p.Record(c.record).trackMatrix, c.track, c.what);
    ExpectMatrix(p.Record(c.record).movieMatrix, c.movie, c.what);
  }
}

}  // namespace
