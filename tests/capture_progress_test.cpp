// The capture's progress line on terminals of any width.
#include <gtest/gtest.h>

#include "capture/progress.h"

TEST(CaptureProgress, LineFitsTheTerminalAndKeepsTheShareAndTimeLeft) {
  // 30 columns used to wrap the line onto a second row at every redraw.
  for (int columns : {200, 80, 40, 30, 20, 12, 6, 2}) {
    const std::string line = ProgressLine(1234, 7960, 45.25, 151.0, columns);
    EXPECT_LT(static_cast<int>(line.size()), columns) << line;
    if (columns >= 20) {
      EXPECT_NE(line.find("2:31 left"), std::string::npos) << line;
    }
    if (columns >= 6) {
      EXPECT_NE(line.find("15%"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(ProgressLine(1234, 7960, 45.25, 151.0, 80),
            "1234/7960 frames   15%  45.2 fps  2:31 left");
  EXPECT_NE(ProgressLine(10, 20, 1.0, 4000.0, 80).find("1:06:40 left"), std::string::npos);
}
