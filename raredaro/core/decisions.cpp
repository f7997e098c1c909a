#include "raredaro/core/decisions.h"

namespace raredaro {

bool ZoneInterval(const EngineSettings& settings, std::uint64_t* interval) {
    std::uint64_t hours;
    switch (settings.scheduleZone) {
        case ZoneHourly: hours = 1; break;
        case ZoneDaily: hours = 24; break;
        case ZoneBiWeekly: hours = 84; break;
        case ZoneWeekly: hours = 168; break;
        case ZoneBiMonthly: hours = 360; break;
        case ZoneMonthly: hours = 720; break;
        case ZoneQuarterly: hours = 2184; break;
        case ZoneBiAnnually: hours = 4392; break;
        case ZoneAnnually: hours = 8760; break;
        case ZoneScheduledHours: hours = settings.scheduleHours; break;
        case ZoneScheduledDays: hours = std::uint64_t{settings.scheduleDays} * 24; break;
        case ZoneStartup: return false;
        default: hours = 1; break;
    }
    *interval = hours * kHour;
    return true;
}

bool IsDue(std::uint32_t status, std::uint64_t lastUpdate, std::uint64_t now, const EngineSettings& settings) {
    if (status & StatusForce) return true;
    if (status & StatusDisabled) return false;
    std::uint64_t interval;
    if (!ZoneInterval(settings, &interval)) return false;
    // Unsigned: a LastUpdateTime in the future wraps to a huge age, so it is due.
    return now - lastUpdate >= interval;
}

bool EvaluateThresholds(const VolumeCounts& c, const EngineSettings& s, std::uint32_t* status) {
    bool advise = false;
    const std::uint64_t ratio = (c.bytes == 0 || c.files == 0) ? 1000 : c.filesProtected * 1000 / c.files;

    if (s.percentFilesThreshold != 0 && ratio <= 1000 && 1000 - ratio >= s.percentFilesThreshold) {
        *status |= StatusOverPercent;
        advise = true;
    } else if (s.percentFilesThreshold == 0) {
        *status &= ~std::uint32_t{StatusOverPercent};
    }

    const std::uint64_t unprotectedFiles = c.files > c.filesProtected ? c.files - c.filesProtected : 0;
    if (s.filesThreshold != 0 && unprotectedFiles > s.filesThreshold) {
        *status |= StatusOverFiles;
        advise = true;
    } else if (s.filesThreshold == 0) {
        *status &= ~std::uint32_t{StatusOverFiles};
    }

    // Protected bytes are allocation sizes and may exceed the used space the
    // system reports (hard links, junctions, compressed files): no wrap-around.
    const std::uint64_t unprotectedBytes = c.bytes > c.bytesProtected ? c.bytes - c.bytesProtected : 0;
    if (s.mbThreshold != 0 && (unprotectedBytes >> 20) > s.mbThreshold) {
        *status |= StatusOverMB;
        advise = true;
    } else if (s.mbThreshold == 0) {
        *status &= ~std::uint32_t{StatusOverMB};
    }
    return advise;
}

ScaledBytes ScaleBytes(std::uint64_t count) {
    std::int32_t unit = 0;
    auto fits = [](std::uint64_t v) {
        const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(low)) == v;
    };
    while (!fits(count) && unit < 4) {
        count >>= 10;
        ++unit;
    }
    return {static_cast<std::int32_t>(static_cast<std::uint32_t>(count)), unit};
}

}  // namespace raredaro
