#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operations/operation_wait.h"

namespace telvaro {
namespace {

// Plays the window: records the hooks' calls; the fake sleep can make the
// answer arrive after a given number of polls.
struct FakeWindow {
  std::atomic<bool> received{false};
  OperationFlags flags;
  bool readerRunning = true;
  int sleeps = 0;
  int answerAfterSleeps = -1;
  int stopReaderAfterSleeps = -1;
  std::vector<std::string> calls;

  OperationWaitHooks Hooks() {
    OperationWaitHooks hooks;
    hooks.readerRunning = [this] { return readerRunning; };
    hooks.setCommandButtonsEnabled = [this](bool on) { calls.push_back(on ? "buttons:on" : "buttons:off"); };
    hooks.disableAllPages = [this] { calls.push_back("disable"); };
    hooks.showMessage = [this](const std::string& text) { calls.push_back("message:" + text); };
    hooks.sleep = [this](int ms) {
      EXPECT_EQ(ms, 100);
      ++sleeps;
      if (sleeps == answerAfterSleeps) received = true;
      if (sleeps == stopReaderAfterSleeps) readerRunning = false;
    };
    return hooks;
  }
};

TEST(OperationWait, SuccessTextsAndTheWriteFlag) {
  FakeWindow read;
  read.answerAfterSleeps = 3;
  EXPECT_EQ(OperationWait(read.received, read.flags, 40, read.Hooks()), OperationOutcome::Succeeded);
  EXPECT_EQ(read.sleeps, 3);
  EXPECT_EQ(read.calls, (std::vector<std::string>{"buttons:off", "buttons:on", "message:Operation succeed!"}));

  FakeWindow write;
  write.flags.writePending = true;
  write.received = true;  // answered before the wait began: no sleep at all
  EXPECT_EQ(OperationWait(write.received, write.flags, 40, write.Hooks()), OperationOutcome::Succeeded);
  EXPECT_EQ(write.sleeps, 0);
  EXPECT_EQ(write.calls.back(), "message:       Operation succeed!\nReboot for changes to take effect");
  EXPECT_FALSE(write.flags.writePending.load());
}

TEST(OperationWait, TimeOutAfterFortyOnePollsReportsOnlyAUserRead) {
  FakeWindow user;
  user.flags.userRead = true;
  user.flags.writePending = true;
  EXPECT_EQ(OperationWait(user.received, user.flags, 40, user.Hooks()), OperationOutcome::TimedOut);
  EXPECT_EQ(user.sleeps, 41);
  EXPECT_EQ(user.calls, (std::vector<std::string>{"buttons:off", "buttons:on", "disable", "message:Failed: timeout"}));
  EXPECT_FALSE(user.flags.writePending.load());

  FakeWindow automatic;  // the read after opening the port
  EXPECT_EQ(OperationWait(automatic.received, automatic.flags, 40, automatic.Hooks()), OperationOutcome::TimedOut);
  EXPECT_EQ(automatic.calls, (std::vector<std::string>{"buttons:off", "buttons:on", "disable"}));

  // An answer on the very last poll still counts.
  FakeWindow late;
  late.answerAfterSleeps = 41;
  EXPECT_EQ(OperationWait(late.received, late.flags, 40, late.Hooks()), OperationOutcome::Succeeded);
}

TEST(OperationWait, AClosedPortEndsTheWaitSilently) {
  FakeWindow closed;
  closed.flags.userRead = true;
  closed.stopReaderAfterSleeps = 5;
  EXPECT_EQ(OperationWait(closed.received, closed.flags, 40, closed.Hooks()), OperationOutcome::Abandoned);
  EXPECT_EQ(closed.sleeps, 5);
  // The buttons come back, or the window would stay busy until a later Read.
  EXPECT_EQ(closed.calls, (std::vector<std::string>{"buttons:off", "buttons:on"}));

  // Closed just as the answer came: still silent.
  FakeWindow both;
  both.answerAfterSleeps = 2;
  both.stopReaderAfterSleeps = 2;
  both.flags.writePending = true;  // an abandoned Write
  EXPECT_EQ(OperationWait(both.received, both.flags, 40, both.Hooks()), OperationOutcome::Abandoned);
  EXPECT_EQ(both.calls, (std::vector<std::string>{"buttons:off", "buttons:on"}));
  EXPECT_FALSE(both.flags.writePending.load());  // the next Read is no Write
}

}  // namespace
}  // namespace telvaro
