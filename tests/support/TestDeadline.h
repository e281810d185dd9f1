#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Ends the test program when one test runs longer than its deadline, naming the test, so a
// wait that never ends fails in a minute and says where, instead of at ctest's limit. The
// deadline is QUELTA_TEST_DEADLINE seconds (default 60): slow builds (sanitizers) raise it.
class CTestDeadline : public testing::EmptyTestEventListener {
public:
    CTestDeadline();
    ~CTestDeadline() override;

    void OnTestStart(const testing::TestInfo& test) override;
    void OnTestEnd(const testing::TestInfo& test) override;

private:
    void Watch();

    std::chrono::seconds Limit;
    std::mutex Lock;
    std::condition_variable Changed;
    std::string Running;  // the test under way, empty between tests
    std::chrono::steady_clock::time_point Deadline;
    bool Ending = false;
    std::thread Watcher;
};
