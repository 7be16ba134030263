// The fault frame: a fault is offered to the program's signal handler, then the search
// goes on.
#include <gtest/gtest.h>

#include <csignal>

#include "startup/startup.h"

namespace {

volatile std::sig_atomic_t received = 0;
void Record(int signalNumber) { received = signalNumber; }
// As handlers commonly do: it puts itself back for the next signal.
void RecordAndStay(int signalNumber) {
  received = received + 1;
  std::signal(signalNumber, RecordAndStay);
}

// Each test starts from the default actions; whatever the test runner had installed (a
// sanitizer's handlers, for instance) comes back afterwards.
class FaultFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    received = 0;
    savedSegv = std::signal(SIGSEGV, SIG_DFL);
    savedFpe = std::signal(SIGFPE, SIG_DFL);
  }
  void TearDown() override {
    std::signal(SIGSEGV, savedSegv);
    std::signal(SIGFPE, savedFpe);
  }
  void (*savedSegv)(int) = SIG_DFL;
  void (*savedFpe)(int) = SIG_DFL;
};

TEST_F(FaultFrameTest, FaultGoesToTheProgramsSegvHandlerAndTheSearchGoesOn) {
  int record = 0;
  int context = 0;
  std::signal(SIGSEGV, Record);
  std::signal(SIGFPE, Record);
  EXPECT_EQ(FaultFrameHandler(&record, nullptr, &context, nullptr), 1);
  EXPECT_EQ(received, SIGSEGV);
  EXPECT_EQ(FaultExceptionRecord, &record);
  EXPECT_EQ(FaultContext, &context);
}

TEST_F(FaultFrameTest, WithoutSegvHandlerTheFpeHandlerGetsIt) {
  std::signal(SIGFPE, Record);
  EXPECT_EQ(FaultFrameHandler(nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(received, SIGFPE);
  EXPECT_EQ(std::signal(SIGSEGV, SIG_DFL), SIG_DFL);
}

TEST_F(FaultFrameTest, WithNoHandlersNothingIsRaised) {
  EXPECT_EQ(FaultFrameHandler(nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(received, 0);
}

// Once offered, the fault goes on with the default action in place, whatever the handler
// left there (itself again, or SIG_IGN): the runtime library's handlers further out would
// otherwise run it again and resume the faulting instruction for ever.
TEST_F(FaultFrameTest, AHandlerRunsOnceAndTheDefaultActionIsLeftInPlace) {
  std::signal(SIGSEGV, RecordAndStay);
  EXPECT_EQ(FaultFrameHandler(nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(received, 1);
  EXPECT_EQ(std::signal(SIGSEGV, SIG_DFL), SIG_DFL);
  std::signal(SIGSEGV, SIG_IGN);
  EXPECT_EQ(FaultFrameHandler(nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(std::signal(SIGSEGV, SIG_DFL), SIG_DFL);
}

}  // namespace
