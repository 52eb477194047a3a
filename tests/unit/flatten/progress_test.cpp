#include "platform/write/progress.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

namespace tvx {
namespace {

/// Everything readable on fd right now.
std::string Drain(int fd) {
  std::string text;
  char buffer[256];
  pollfd p{fd, POLLIN, 0};
  while (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, std::size_t(n));
  }
  return text;
}

/// What a copy of 100 bytes in two steps draws on fd.
void Copy(int fd) {
  CopyProgress progress(100, fd);
  progress.Advance(40);
  progress.Advance(60);
}

TEST(CopyProgress, DrawsOnlyOnATerminalAndOnlyWhenEnabled) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
    GTEST_SKIP() << "no pseudo-terminal here";
  int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);

  Copy(terminal);
  const std::string drawn = Drain(master);
  EXPECT_NE(drawn.find("Copying media"), std::string::npos) << drawn;
  // Erased when done: the line ends blank with the cursor back at its start.
  EXPECT_EQ(drawn.substr(drawn.size() - 2), " \r") << drawn;

  Copy(pipeEnds[1]);
  EXPECT_EQ(Drain(pipeEnds[0]), "");  // not a terminal

  SetProgressEnabled(false);  // a quiet run
  Copy(terminal);
  EXPECT_EQ(Drain(master), "");
  SetProgressEnabled(true);

  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  ::close(terminal);
  ::close(master);
}

}  // namespace
}  // namespace tvx
