// The window's own logic: the diagnostic list's number format, the mouse
// offsets, the timers and the creation sequence against a fake window layer.
#include "hosts/window/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(DiagnosticFormat, FixedPointWithoutTrailingZeros) {
  EXPECT_EQ(FormatGeneral(0.0, '.'), "0");
  EXPECT_EQ(FormatGeneral(1300.0, '.'), "1300");
  EXPECT_EQ(FormatGeneral(-2.0, '.'), "-2");
  EXPECT_EQ(FormatGeneral(450.25, '.'), "450.25");
  EXPECT_EQ(FormatGeneral(0.1, '.'), "0.1");
  EXPECT_EQ(FormatGeneral(1.0 / 3.0, '.'), "0.333333333333333");
  EXPECT_EQ(FormatGeneral(2.0 / 3.0, '.'), "0.666666666666667");
  EXPECT_EQ(FormatGeneral(-1.0 / 30.0, '.'), "-0.0333333333333333");
}

TEST(DiagnosticFormat, SwitchesToScientificAtItsBounds) {
  EXPECT_EQ(FormatGeneral(0.00001, '.'), "0.00001");
  EXPECT_EQ(FormatGeneral(0.0000099, '.'), "9.9E-6");
  EXPECT_EQ(FormatGeneral(-0.0000015, '.'), "-1.5E-6");
  EXPECT_EQ(FormatGeneral(999999999999999.0, '.'), "999999999999999");
  EXPECT_EQ(FormatGeneral(1e15, '.'), "1E15");
  EXPECT_EQ(FormatGeneral(1.25e20, '.'), "1.25E20");
  // Rounding to 15 digits can carry into a sixteenth integer digit.
  EXPECT_EQ(FormatGeneral(999999999999999.9, '.'), "1E15");
}

TEST(DiagnosticFormat, UsesTheGivenSeparator) {
  EXPECT_EQ(FormatGeneral(450.25, ','), "450,25");
  EXPECT_EQ(FormatGeneral(1.5e-6, ','), "1,5E-6");
  EXPECT_EQ(FormatGeneral(12.0, ','), "12");
}

TEST(MouseHandlers, OffsetsFromTheClientPosition) {
  movemouse(100, 100);
  EXPECT_EQ(MouseOffsetX, 0.0);
  EXPECT_EQ(MouseOffsetY, 0.0);
  movemouse(130, 40);
  EXPECT_EQ(MouseOffsetX, 1.0);
  EXPECT_EQ(MouseOffsetY, -2.0);
  movemouse(0, 7);
  EXPECT_DOUBLE_EQ(MouseOffsetX, -100.0 / 30.0);
  mousedown();
  EXPECT_TRUE(MouseButtonDown);
  mouseup();
  EXPECT_FALSE(MouseButtonDown);
}

TEST(DiagnosticList, HoldsExactlyTwoLinesAfterEachRefresh) {
  ListBox1 = {"stale", "lines", "here"};
  movemouse(130, 40);
  Framerate();
  ASSERT_EQ(ListBox1.size(), 2u);
  EXPECT_EQ(ListBox1[1], "1");
  Framerate();
  EXPECT_EQ(ListBox1.size(), 2u);
}

namespace {
int ticks = 0;
void CountTick() { ++ticks; }
}  // namespace

TEST(Timers, FireOnceWhenDueAndNeverQueue) {
  TTimer timer{5, false, 0.0, CountTick};
  StartTimer(timer, 1000.0);
  EXPECT_FALSE(TimerDue(timer, 1004.9));
  EXPECT_TRUE(TimerDue(timer, 1005.0));
  // Long after its due time a timer is still one pending tick, not many.
  EXPECT_TRUE(TimerDue(timer, 1100.0));
  StartTimer(timer, 1100.0);
  EXPECT_FALSE(TimerDue(timer, 1104.0));
  StopTimer(timer);
  EXPECT_FALSE(TimerDue(timer, 5000.0));
}

TEST(Timers, RunDueTimersReArmsFromNowAndCountsTheNextWait) {
  TTimer saved1 = OpenGL_Form.Timer1, saved2 = OpenGL_Form.Timer2;
  OpenGL_Form.Timer1 = TTimer{5, false, 0.0, CountTick};
  OpenGL_Form.Timer2 = TTimer{200, false, 0.0, CountTick};
  ticks = 0;
  StartTimer(OpenGL_Form.Timer1, 0.0);
  StartTimer(OpenGL_Form.Timer2, 0.0);
  EXPECT_EQ(MsUntilNextTimer(1.0), 4.0);
  RunDueTimers(50.0);  // a late loop: Timer1 fires once, not ten times
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(OpenGL_Form.Timer1.dueMs, 55.0);
  RunDueTimers(200.0);
  EXPECT_EQ(ticks, 3);
  StopTimer(OpenGL_Form.Timer1);
  StopTimer(OpenGL_Form.Timer2);
  EXPECT_EQ(MsUntilNextTimer(300.0), -1.0);
  OpenGL_Form.Timer1 = saved1;
  OpenGL_Form.Timer2 = saved2;
}

namespace {
// A fake window layer that records what the form asks of it.
struct TFakeWindow {
  int chooseResult = 1;
  bool setResult = true;
  std::vector<std::string> calls;
};
TFakeWindow fake;
int FakeChoose(const TPixelFormatRequest&) {
  fake.calls.push_back("choose");
  return fake.chooseResult;
}
bool FakeSet(int) {
  fake.calls.push_back("set");
  return fake.setResult;
}
void FakeClientSize(int* w, int* h) {
  fake.calls.push_back("size");
  *w = 675;
  *h = 525;
}
void FakeMessage(const char* text, const char* caption) {
  fake.calls.push_back(std::string("message:") + caption + ":" + text);
}
void FakeClose() { fake.calls.push_back("close"); }

void RunFormCreateWith(int chooseResult, bool setResult) {
  fake = TFakeWindow();
  fake.chooseResult = chooseResult;
  fake.setResult = setResult;
  const TWindowLayer saved = WindowLayer;
  WindowLayer = TWindowLayer{FakeChoose, FakeSet, FakeClientSize, FakeMessage, FakeClose};
  OpenGL_Form.contextReady = false;
  FormCreate();
  WindowLayer = saved;
}
}  // namespace

TEST(FormCreate, NoFormatShowsChooseFailureAndLoadsNothing) {
  RunFormCreateWith(0, true);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "choose", "message:Error:ChoosePixelFormat failed", "close"}));
  EXPECT_FALSE(OpenGL_Form.contextReady);
}

TEST(FormCreate, FormatThatCannotBeSetShowsSetFailure) {
  RunFormCreateWith(2, false);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"choose", "set",
                                                  "message:Error:SetPixelFormat failed", "close"}));
  EXPECT_FALSE(OpenGL_Form.contextReady);
}
