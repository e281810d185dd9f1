#include "TestDeadline.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::chrono::seconds ConfiguredLimit() {
    const char* text = std::getenv("QUELTA_TEST_DEADLINE");
    const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 60);
}
}  // namespace

CTestDeadline::CTestDeadline() : Limit(ConfiguredLimit()), Watcher([this] { Watch(); }) {}

CTestDeadline::~CTestDeadline() {
    {
        std::lock_guard guard(Lock);
        Ending = true;
    }
    Changed.notify_all();
    Watcher.join();
}

void CTestDeadline::OnTestStart(const testing::TestInfo& test) {
    {
        std::lock_guard guard(Lock);
        Running = std::string(test.test_suite_name()) + "." + test.name();
        Deadline = std::chrono::steady_clock::now() + Limit;
    }
    Changed.notify_all();
}

void CTestDeadline::OnTestEnd(const testing::TestInfo&) {
    {
        std::lock_guard guard(Lock);
        Running.clear();
    }
    Changed.notify_all();
}

void CTestDeadline::Watch() {
    std::unique_lock guard(Lock);
    while (!Ending) {
        if (Running.empty()) {
            Changed.wait(guard);
            continue;
        }
        const std::string test = Running;
        if (Changed.wait_until(guard, Deadline, [&] { return Ending || Running != test; }))
            continue;
        std::fprintf(stderr, "FAIL: %s was still running after %lld s: a wait that never ends?\n",
                     test.c_str(), static_cast<long long>(Limit.count()));
        std::fflush(stderr);
        std::_Exit(3);
    }
}
