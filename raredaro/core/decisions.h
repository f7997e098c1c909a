// The engine's decisions: is a volume due for a census, do its figures call
// for an advise, and how a byte count is shown.
#pragma once
#include <cstdint>

#include "raredaro/core/engine_types.h"

namespace raredaro {

constexpr std::uint64_t kHour = 36000000000ull;  // in FILETIME units of 100 ns

// Interval after which a record is due again; false for SZStartup (never by time).
bool ZoneInterval(const EngineSettings& settings, std::uint64_t* interval);

// now and lastUpdate are FILETIMEs (UTC).
bool IsDue(std::uint32_t status, std::uint64_t lastUpdate, std::uint64_t now, const EngineSettings& settings);

// Updates the over-threshold bits of status; true when an advise is wanted.
bool EvaluateThresholds(const VolumeCounts& counts, const EngineSettings& settings, std::uint32_t* status);

struct ScaledBytes {
    std::int32_t value;
    std::int32_t unit;  // TNumberType: 0 bytes .. 4 terabytes
};
ScaledBytes ScaleBytes(std::uint64_t count);

}  // namespace raredaro
