#include "AlertDelay.h"

#include <chrono>

bool CAlertDelay::Update(bool condition, int64_t nowMs, int raiseMs, int clearMs) {
    if (condition == Alert) {
        ChangeSince.reset();
        return Alert;
    }
    if (!ChangeSince)
        ChangeSince = nowMs;
    if (nowMs - *ChangeSince >= (Alert ? clearMs : raiseMs)) {
        Alert = condition;
        ChangeSince.reset();
    }
    return Alert;
}

void CAlertDelay::Reset() {
    Alert = false;
    ChangeSince.reset();
}

int64_t CMonitorClock::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
