// Numbers shared by the engine's decisions and its COM shell: status bits,
// schedule zones and the object-wide settings with their defaults.
#pragma once
#include <cstdint>

namespace raredaro {

enum StatusBits : std::uint32_t {
    StatusCancel = 0x01,
    StatusComplete = 0x02,
    StatusDisabled = 0x04,
    StatusForce = 0x08,
    StatusPending = 0x10,
    StatusScanning = 0x20,
    StatusOverPercent = 0x40,
    StatusOverFiles = 0x80,
    StatusOverMB = 0x100,
};

// Values of TScheduleZone as stored.
enum ScheduleZoneValue : std::int32_t {
    ZoneHourly = 0,
    ZoneDaily = 1,
    ZoneBiWeekly = 2,
    ZoneWeekly = 3,
    ZoneBiMonthly = 4,
    ZoneMonthly = 5,
    ZoneQuarterly = 6,
    ZoneBiAnnually = 7,
    ZoneAnnually = 8,
    ZoneScheduledHours = 9,
    ZoneScheduledDays = 10,
    ZoneStartup = 11,
};

struct EngineSettings {
    std::uint16_t percentFilesThreshold = 150;  // tenths of a percent; 0 = off
    std::uint16_t filesThreshold = 0;            // files; 0 = off
    std::uint16_t mbThreshold = 0;               // 2^20 bytes; 0 = off
    std::int32_t scheduleZone = ZoneDaily;
    std::uint16_t scheduleDays = 0;
    std::uint16_t scheduleHours = 0;
};

// A volume's census figures.
struct VolumeCounts {
    std::uint64_t bytes = 0;           // used bytes of the volume
    std::uint64_t bytesProtected = 0;  // allocated bytes that need no backup
    std::uint64_t files = 0;
    std::uint64_t filesProtected = 0;
};

}  // namespace raredaro
