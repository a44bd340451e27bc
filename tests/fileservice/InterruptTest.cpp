// Stop requests from outside reach the one watch that owns them, on a thread of its own.

#include "fileservice/Interrupt.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

// The watch's calls, for the test's thread to wait on.
struct Calls {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
    std::thread::id thread;

    void Add() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ++count;
            thread = std::this_thread::get_id();
        }
        changed.notify_all();
    }
    // The limit only keeps a broken watch from hanging the suite.
    bool Reached(int wanted) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return count >= wanted; });
    }
};

TEST(InterruptWatch, OneWatchAtATimeOwnsTheRequests) {
    Calls calls;
    {
        const fileservice::InterruptWatch first([&] { calls.Add(); });
        const fileservice::InterruptWatch second([&] { calls.Add(); });
        EXPECT_TRUE(first.Active());
        EXPECT_FALSE(second.Active());
    }
    const fileservice::InterruptWatch after([&] { calls.Add(); });
    EXPECT_TRUE(after.Active());
    EXPECT_EQ(calls.count, 0);
}

#ifndef _WIN32  // a console's Ctrl+C cannot be raised in a test process under Wine
class InterruptSignal : public ::testing::TestWithParam<int> {};

TEST_P(InterruptSignal, ReachesTheWatchOnItsOwnThread) {
    Calls calls;
    {
        const fileservice::InterruptWatch watch([&] { calls.Add(); });
        ASSERT_TRUE(watch.Active());
        std::raise(GetParam());
        EXPECT_TRUE(calls.Reached(1));
    }
    EXPECT_NE(calls.thread, std::this_thread::get_id());
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptSignal, ::testing::Values(SIGINT, SIGTERM));
#endif

}  // namespace
