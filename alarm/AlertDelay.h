#pragma once

#include <cstdint>
#include <optional>

// Whether the alert stands, decided tick by tick from its condition: it is raised only once the
// condition has held for the raise delay, and cleared only once it has not held for the clear
// delay, both counted from the first tick that saw the change. A change that does not last
// that long is forgotten. With both delays 0 the alert is the condition of the tick itself.
class CAlertDelay {
public:
    bool Update(bool condition, int64_t nowMs, int raiseMs, int clearMs);
    // Arming again starts afresh: no alert, no change under way.
    void Reset();
    bool Raised() const { return Alert; }

private:
    bool Alert = false;
    std::optional<int64_t> ChangeSince;  // the first tick whose condition differs from Alert
};

// The monitor's time in milliseconds, steady; tests put their own clock in its place.
class CMonitorClock {
public:
    virtual ~CMonitorClock() = default;
    virtual int64_t NowMs() const;
};
