#pragma once
#include "ScratchFolder.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

// Waits for an event with a generous limit; tests check that the event happened, never how
// fast.
inline bool WaitFor(const std::function<bool()>& event,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!event()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
