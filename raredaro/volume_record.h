// One volume's record: its last census figures, status bits and the time of
// its last complete census.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "raredaro/core/engine_types.h"

namespace raredaro {

struct VolumeRecord {
    VolumeCounts counts;
    std::uint32_t basicAttributes = 0;  // stored and loaded, never set
    std::uint32_t attributes = 0;       // stored and loaded, never set
    std::wstring volume;                // "C:\"
    std::wstring id;                    // GUID in registry form with braces
    // Methods set bits under the busy flag while the worker changes its own
    // bits during a pass without it: every change is atomic.
    std::atomic<std::uint32_t> status{0};
    std::uint64_t lastUpdateTime = 0;  // FILETIME, UTC
    std::uint8_t index = 0;            // 1-based position when added
    std::uint32_t serial = 0;          // unique in its object: names it in posted messages

    bool has(std::uint32_t bits) const { return (status.load() & bits) != 0; }
    void set(std::uint32_t bits) { status.fetch_or(bits); }
    void clear(std::uint32_t bits) { status.fetch_and(~bits); }
};

}  // namespace raredaro
