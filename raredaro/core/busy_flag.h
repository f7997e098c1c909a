// The spin flag that guards the record list: exchange 1 in until the old
// value was 0, sleeping between tries, giving up after a fixed number.
#pragma once
#include <atomic>
#include <cstdint>

namespace raredaro {

class BusyFlag {
public:
    static constexpr int kTries = 25;
    static constexpr unsigned kSleepMs = 100;
    using SleepFunction = void (*)(unsigned milliseconds);

    explicit BusyFlag(SleepFunction sleep) : sleep_(sleep) {}

    // False after kTries failed exchanges, each followed by a sleep.
    bool acquire() {
        for (int i = 0; i < kTries; ++i) {
            if (flag_.exchange(1, std::memory_order_acquire) == 0) return true;
            sleep_(kSleepMs);
        }
        return false;
    }
    void release() { flag_.store(0, std::memory_order_release); }

private:
    std::atomic<std::int32_t> flag_{0};
    SleepFunction sleep_;
};

// Holds the flag for a scope when it could be taken.
class BusyScope {
public:
    explicit BusyScope(BusyFlag& flag) : flag_(flag), held_(flag.acquire()) {}
    ~BusyScope() {
        if (held_) flag_.release();
    }
    bool held() const { return held_; }
    void release() {
        if (held_) flag_.release();
        held_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyFlag& flag_;
    bool held_;
};

}  // namespace raredaro
