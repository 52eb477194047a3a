// Runs the built program under its three names and checks status, stdout and stderr.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/driver.h"
#include "cli/usage.h"
#include "env_helpers.h"

namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each run gets its own HOME and config folder, so it never touches the user's Desktop or
// preferences; programPath is what the program sees as argv[0].
class Tool {
 public:
  Tool() {
    std::filesystem::create_directories(dir_.path() / "bin");
    std::filesystem::create_directories(dir_.path() / "home/.config/talvenix");
    std::filesystem::create_directories(dir_.path() / "work");
  }

  std::filesystem::path Link(const std::string& name) {
    auto link = dir_.path() / "bin" / name;
    if (!std::filesystem::is_symlink(link))
      std::filesystem::create_symlink(std::filesystem::path(TALVENIX_BINARY_DIR) / "clipchain",
                                      link);
    return link;
  }

  void SetPreferences(const std::string& text) {
    dir_.Write("home/.config/talvenix/preferences", text);
  }
  std::filesystem::path Work() const { return dir_.path() / "work"; }

  ToolRun Start(const std::string& name, const std::vector<std::string>& args,
            const std::string& stdinText = "", const std::string& programPath = "") {
    auto executable = Link(name);
    dir_.Write("stdin", stdinText);
    auto out = dir_.path() / "stdout", err = dir_.path() / "stderr";
    std::string home = (dir_.path() / "home").string();
    std::string work = Work().string();
    std::string in = (dir_.path() / "stdin").string();
    std::vector<std::string> argvText{programPath.empty() ? executable.string() : programPath};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
      setenv("HOME", home.c_str(), 1);
      unsetenv("XDG_CONFIG_HOME");
      if (chdir(work.c_str()) != 0) _exit(127);
      int fdIn = open(in.c_str(), O_RDONLY);
      int fdOut = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int fdErr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fdIn < 0 || fdOut < 0 || fdErr < 0) _exit(127);
      dup2(fdIn, 0), dup2(fdOut, 1), dup2(fdErr, 2);
      execv(executable.c_str(), argv.data());
      _exit(127);
    }
    ToolRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
      run.status = WEXITSTATUS(status);
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
  }

 private:
  TempDir dir_;
};

std::string Usage(const std::string& path, functionType function, const std::string& name) {
  std::ostringstream text;
  usage(path, function, name, text);
  return text.str();
}

std::string Note(bool several) {
  return several ? std::string("(Yes, we know these error messages stink. Email us at <") +
                       SupportAddress() + ">\nif you can't figure out what they mean.)\n"
                 : std::string("(Yes, we know this error message stinks. Email us at <") +
                       SupportAddress() + ">\nif you can't figure out what it means.)\n";
}

TEST(Process, EarlyExitsPrintUsageOfTheFunctionChosenByName) {
  Tool tool;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* stdinText;
    int status;
    const char* firstLine;
    functionType function;
  };
  const Case cases[] = {
      {"clipstack", {"-Q"}, "", 1, "Unrecognized option -Q\n", multiplexFunction},
      {"cliptweak", {}, "", 2, "No movies found\n", modifyFunction},
      {"clipchain", {"-names-from-stdin"}, "", 2, "No movies found\n", concatenateFunction},
      {"clipchain", {"-scale", "a.mov"}, "", 1, "Unrecognized option -scale\n",
       concatenateFunction},
      {"ClipStack", {"-scale"}, "", 1, "Unrecognized option -scale\n", concatenateFunction},
      {"clipstack2", {}, "", 2, "No movies found\n", concatenateFunction},
      {"cliptweak", {"-no-compressed-header", "a.mov"}, "", 1,
       "Unrecognized option -no-compressed-header\n", modifyFunction},
  };
  for (const Case& c : cases) {
    ToolRun run = tool.Start(c.name, c.args, c.stdinText);
    std::string path = tool.Link(c.name).string();
    EXPECT_EQ(run.status, c.status) << c.name;
    EXPECT_EQ(run.out, "") << c.name;
    EXPECT_EQ(run.err, c.firstLine + Usage(path, c.function, c.name)) << c.name;
  }
}

TEST(Process, UsageShowsTheProgramPathAsGiven) {
  Tool tool;
  ToolRun run = tool.Start("clipstack", {"-Q"}, "", "./tools/clipstack");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Unrecognized option -Q\n" +
                         Usage("./tools/clipstack", multiplexFunction, "clipstack"));
}

// Inputs that fail to load make the loading step report errors (a text file: one; a missing
// file: several); the closing note and the status follow the count, and quiet (from -q or the
// preference) only hides the note.
TEST(Process, ClosingNoteAndStatusFollowTheErrorCount) {
  const std::string a = std::string(TALVENIX_FIXTURES) + "/a.mov";
  struct Case {
    std::vector<std::string> args;
    const char* preferences;
    int status;
    int reported;  // -1: several
    bool note;
  };
  const Case cases[] = {
      {{a, "-o", "out.mov"}, "", 0, 0, false},
      {{"not-a-movie.txt", "-o", "out.mov"}, "", 1, 1, true},
      {{"missing1.mov", "missing2.mov", "-o", "out.mov"}, "", 1, -1, true},
      {{"-q", "not-a-movie.txt", "-o", "out.mov"}, "", 1, 1, false},
      {{"missing1.mov", "missing2.mov", "-o", "out.mov"}, "quiet = yes\n", 1, -1, false},
      {{"not-a-movie.txt", "-o", "out.mov"}, "quiet = false\n", 1, 1, true},
  };
  for (const Case& c : cases) {
    Tool tool;
    tool.SetPreferences(c.preferences);
    std::ofstream(tool.Work() / "not-a-movie.txt") << "hello\n";
    ToolRun run = tool.Start("clipchain", c.args);
    SCOPED_TRACE(run.err);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    int reported = 0;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("Error", 0) == 0 && line.find(" at line ") != std::string::npos) ++reported;
    if (c.reported >= 0) {
      EXPECT_EQ(reported, c.reported);
    } else {
      EXPECT_GT(reported, 1);
    }
    std::string note = c.note ? Note(reported > 1) : "";
    ASSERT_GE(run.err.size(), note.size());
    EXPECT_EQ(run.err.substr(run.err.size() - note.size()), note);
    if (!c.note) {
      EXPECT_EQ(run.err.find("(Yes, we know"), std::string::npos);
    }
  }
}

// FFmpeg reports a display rotation counterclockwise, so 90 degrees clockwise reads as -90.
TEST(Process, RotatedTracksReadBackInFFmpeg) {
  if (std::system("ffprobe -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no ffprobe";
  const std::string a = std::string(TALVENIX_FIXTURES) + "/a.mov";
  struct Case {
    std::vector<std::string> args;
    const char* rotation;
  };
  const Case cases[] = {
      {{"-rotate", "90", a}, "-90"},
      {{"-rotate", "90", a, "-rotate", "90"}, "-180"},
      {{a, "-rotate", "-90"}, "90"},
      {{a, "-rotate", "270", "-about", "80", "60"}, "90"},
  };
  for (const Case& c : cases) {
    Tool tool;
    std::vector<std::string> args{"-self-contained", "-o", "out.mov"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ToolRun run = tool.Start("clipchain", args);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string command = "ffprobe -v error -select_streams v:0 -show_entries "
                          "stream_side_data=rotation -of default=nw=1:nk=1 '" +
                          (tool.Work() / "out.mov").string() + "'";
    std::string rotation;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[64];
      while (fgets(buffer, sizeof buffer, pipe)) rotation += buffer;
      pclose(pipe);
    }
    EXPECT_EQ(rotation, std::string(c.rotation) + "\n") << c.args.front();
  }
}

}  // namespace
