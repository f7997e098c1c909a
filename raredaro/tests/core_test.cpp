// The engine's decisions and census arithmetic, as tables of cases.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "raredaro/core/busy_flag.h"
#include "raredaro/core/census.h"
#include "raredaro/core/decisions.h"

namespace raredaro {
namespace {

constexpr std::uint64_t kNow = 133000000000000000ull;  // a FILETIME in 2022

TEST(DueTest, EveryZone) {
    const struct {
        std::int32_t zone;
        std::uint64_t hours;  // interval; 0 with never = true for SZStartup
    } zones[] = {{ZoneHourly, 1},     {ZoneDaily, 24},      {ZoneBiWeekly, 84},    {ZoneWeekly, 168},
                 {ZoneBiMonthly, 360}, {ZoneMonthly, 720},  {ZoneQuarterly, 2184}, {ZoneBiAnnually, 4392},
                 {ZoneAnnually, 8760}, {ZoneScheduledHours, 5}, {ZoneScheduledDays, 3 * 24}, {42, 1}, {-1, 1}};
    for (const auto& z : zones) {
        EngineSettings s;
        s.scheduleZone = z.zone;
        s.scheduleHours = 5;
        s.scheduleDays = 3;
        const std::uint64_t interval = z.hours * kHour;
        EXPECT_TRUE(IsDue(StatusPending, kNow - interval, kNow, s)) << z.zone;
        EXPECT_FALSE(IsDue(StatusPending, kNow - interval + 1, kNow, s)) << z.zone;
        EXPECT_TRUE(IsDue(StatusPending, 0, kNow, s)) << "a new record is due, zone " << z.zone;
        EXPECT_TRUE(IsDue(StatusPending, kNow + 1, kNow, s)) << "a future time is due, zone " << z.zone;
        EXPECT_FALSE(IsDue(StatusDisabled, 0, kNow, s)) << z.zone;
        EXPECT_TRUE(IsDue(StatusDisabled | StatusForce, kNow, kNow, s)) << z.zone;
    }
}

TEST(DueTest, StartupZoneAndZeroIntervals) {
    EngineSettings s;
    s.scheduleZone = ZoneStartup;
    EXPECT_FALSE(IsDue(StatusPending, 0, kNow, s));
    EXPECT_TRUE(IsDue(StatusForce, kNow, kNow, s));
    s.scheduleZone = ZoneScheduledHours;  // hours 0: due at every request
    EXPECT_TRUE(IsDue(StatusPending, kNow, kNow, s));
    s.scheduleZone = ZoneScheduledDays;
    EXPECT_TRUE(IsDue(StatusPending, kNow, kNow, s));
}

TEST(Thresholds, Evaluation) {
    const struct {
        VolumeCounts counts;
        std::uint16_t percent, files, mb;
        std::uint32_t statusBefore, statusAfter;
        bool advise;
    } cases[] = {
        // 20 % of files unprotected against 15.0 %
        {{1000, 0, 100, 80}, 150, 0, 0, 0, StatusOverPercent, true},
        // exactly at the threshold counts
        {{1000, 0, 1000, 850}, 150, 0, 0, 0, StatusOverPercent, true},
        {{1000, 0, 1000, 851}, 150, 0, 0, 0, 0, false},
        // no files or no bytes: ratio 1000, never over
        {{1000, 0, 0, 0}, 1, 0, 0, 0, 0, false},
        {{0, 0, 100, 0}, 1, 0, 0, 0, 0, false},
        // a bit set earlier stays while its threshold is on; a zero threshold clears it
        {{1000, 0, 1000, 1000}, 150, 0, 0, StatusOverPercent, StatusOverPercent, false},
        {{1000, 0, 1000, 0}, 0, 0, 0, StatusOverPercent | StatusOverFiles | StatusOverMB, 0, false},
        // files: strictly more than the threshold
        {{1000, 0, 10, 5}, 0, 5, 0, 0, 0, false},
        {{1000, 0, 10, 4}, 0, 5, 0, 0, StatusOverFiles, true},
        // megabytes: unprotected bytes shifted by 20, strictly more
        {{(3ull << 20) + 5, 5, 1, 1}, 0, 0, 2, 0, StatusOverMB, true},
        {{(2ull << 20) + 5, 5, 1, 1}, 0, 0, 2, 0, 0, false},
        // protected bytes above the used space: nothing unprotected, no wrap-around
        {{1000, 5000, 1, 1}, 0, 0, 1, 0, 0, false},
        // other bits are left alone
        {{1000, 0, 100, 0}, 150, 0, 0, StatusComplete, StatusComplete | StatusOverPercent, true},
    };
    for (const auto& c : cases) {
        EngineSettings s;
        s.percentFilesThreshold = c.percent;
        s.filesThreshold = c.files;
        s.mbThreshold = c.mb;
        std::uint32_t status = c.statusBefore;
        EXPECT_EQ(c.advise, EvaluateThresholds(c.counts, s, &status)) << c.counts.files << "/" << c.counts.bytes;
        EXPECT_EQ(c.statusAfter, status) << c.counts.files << "/" << c.counts.bytes;
    }
}

TEST(ByteScaling, StepsByKilobytesUntilItFits) {
    const struct {
        std::uint64_t in;
        std::int32_t value, unit;
    } cases[] = {
        {0, 0, 0},
        {2147483647ull, 2147483647, 0},
        {2147483648ull, 2097152, 1},
        {3221225472ull, 3145728, 1},
        {1ull << 40, 1073741824, 1},
        {1ull << 50, 1073741824, 2},
        {1ull << 63, 1 << 23, 4},
    };
    for (const auto& c : cases) {
        const ScaledBytes r = ScaleBytes(c.in);
        EXPECT_EQ(c.value, r.value) << c.in;
        EXPECT_EQ(c.unit, r.unit) << c.in;
    }
}

TEST(Census, ClusterRounding) {
    CensusState census;
    census.reset(1 << 20, 4096);
    EXPECT_EQ(0u, census.allocated(0));
    EXPECT_EQ(4096u, census.allocated(1));
    EXPECT_EQ(4096u, census.allocated(4096));
    EXPECT_EQ(8192u, census.allocated(4097));
    EXPECT_EQ((5ull << 32) + 4096, census.allocated((5ull << 32) + 1));  // sizes past 4 GB
    census.reset(1 << 20, 0);  // a volume without a cluster size counts plain sizes
    EXPECT_EQ(7u, census.allocated(7));
}

// Progress values reported for a sequence of file allocations.
std::vector<int> Steps(std::uint64_t used, const std::vector<std::uint64_t>& files) {
    CensusState census;
    census.reset(used, 1);
    std::vector<int> sent;
    for (std::uint64_t f : files)
        if (census.advance(f)) sent.push_back(census.progress());
    return sent;
}

TEST(Census, ProgressSteps) {
    // step = used * 2 / 1000 = 2 bytes for 1000 used bytes
    EXPECT_EQ((std::vector<int>{2, 4, 6}), Steps(1000, {2, 2, 1, 1}));
    // a file larger than a step moves one step; the rest waits for later files
    EXPECT_EQ((std::vector<int>{2, 4, 6}), Steps(1000, {10, 0, 0}));
    // below 500 used bytes the step is 0 and every file moves
    EXPECT_EQ((std::vector<int>{2, 4, 6}), Steps(499, {0, 0, 0}));
    // 1000 can be reached during the walk; every later step sends 999
    std::vector<std::uint64_t> many(502, 2);
    const std::vector<int> sent = Steps(1000, many);
    ASSERT_EQ(502u, sent.size());
    EXPECT_EQ(1000, sent[499]);
    EXPECT_EQ(999, sent[500]);
    EXPECT_EQ(999, sent[501]);
}

int sleeps = 0;
void CountSleep(unsigned ms) {
    EXPECT_EQ(100u, ms);
    ++sleeps;
}

TEST(BusyFlag, GivesUpAfter25Sleeps) {
    BusyFlag flag(&CountSleep);
    sleeps = 0;
    ASSERT_TRUE(flag.acquire());
    EXPECT_EQ(0, sleeps);
    EXPECT_FALSE(flag.acquire());
    EXPECT_EQ(25, sleeps);
    flag.release();
    EXPECT_TRUE(flag.acquire());
    flag.release();
}

void RealSleep(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

TEST(BusyFlag, WaitsForAHolderToRelease) {
    BusyFlag flag(&RealSleep);
    ASSERT_TRUE(flag.acquire());
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        flag.release();
    });
    EXPECT_TRUE(flag.acquire());
    holder.join();
}

}  // namespace
}  // namespace raredaro
