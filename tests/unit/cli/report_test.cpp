// Error lines: exact format, the leaf of the source path, and the count.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "cli/report.h"

namespace {

class CaptureStderr {
 public:
  CaptureStderr() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
  ~CaptureStderr() { std::cerr.rdbuf(old_); }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

TEST(ReportError, WritesOneLineAndCountsIt) {
  std::int32_t before = errors;
  CaptureStderr capture;
  reportError("OpenMovieFile", fnfErr, 57, "/build/src/input/get_movie.cpp");
  reportErrorGetting("dir/a b.mov", "NewMovieFromFile", badPublicMovieAtom, 9, "get_movie.cpp");
  reportError("GetMoviesError", noErr, 0, "");
  EXPECT_EQ(capture.Text(),
            "Error in OpenMovieFile at line 57 of get_movie.cpp: -43\n"
            "Error getting dir/a b.mov in NewMovieFromFile at line 9 of get_movie.cpp: -2002\n"
            "Error in GetMoviesError at line 0 of : 0\n");
  EXPECT_EQ(errors, before + 3);
}

TEST(ReportError, MacroNamesThisFile) {
  CaptureStderr capture;
  int line = __LINE__ + 1;
  REPORT_ERROR("AddMovieToStorage", dskFulErr);
  EXPECT_EQ(capture.Text(), "Error in AddMovieToStorage at line " + std::to_string(line) +
                                " of report_test.cpp: -34\n");
}

}  // namespace
