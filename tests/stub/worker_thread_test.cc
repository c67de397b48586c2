// The programs' second thread: its work runs beside the caller, Join waits
// for it, and a new work waits for the one before.
#include "worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace stub {
namespace {

TEST(WorkerThread, RunsTheWorkOnAnotherThreadAndJoinWaitsForIt) {
  std::atomic<DWORD> ran_on{0};
  std::atomic<bool> done{false};
  WorkerThread worker;
  worker.Join();  // nothing started: returns at once
  worker.Start([&] {
    ran_on = GetCurrentThreadId();
    Sleep(50);
    done = true;
  });
  worker.Join();
  EXPECT_TRUE(done.load());
  EXPECT_NE(ran_on.load(), 0u);
  EXPECT_NE(ran_on.load(), GetCurrentThreadId());
}

TEST(WorkerThread, ANewWorkAndTheDestructorWaitForTheWorkBefore) {
  std::atomic<int> order{0};
  std::atomic<int> second_saw{-1};
  {
    WorkerThread worker;
    worker.Start([&] {
      Sleep(50);
      order = 1;
    });
    worker.Start([&] {
      second_saw = order.load();
      Sleep(50);
      order = 2;
    });
  }  // the destructor joins
  EXPECT_EQ(second_saw.load(), 1);
  EXPECT_EQ(order.load(), 2);
}

}  // namespace
}  // namespace stub
