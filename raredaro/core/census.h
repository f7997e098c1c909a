// Census arithmetic: cluster rounding and the progress steps of one walk.
#pragma once
#include <cstdint>

namespace raredaro {

class CensusState {
public:
    // Prepares a walk of a volume with usedBytes in use and the given cluster size.
    void reset(std::uint64_t usedBytes, std::uint32_t clusterSize);

    // A file's size rounded up to whole clusters.
    std::uint64_t allocated(std::uint64_t size) const { return (size + clusterSize_ - 1) & clusterMask_; }

    // Counts a file's allocation towards the next step. True when the progress
    // moved; progress() is then the value to report.
    bool advance(std::uint64_t allocatedBytes);

    std::int16_t progress() const { return progress_; }
    void setProgress(std::int16_t value) { progress_ = value; }
    std::uint32_t clusterSize() const { return clusterSize_; }
    std::uint64_t progressStep() const { return progressStep_; }

private:
    std::uint32_t clusterSize_ = 1;
    std::uint64_t clusterMask_ = ~std::uint64_t{0};
    std::uint64_t progressStep_ = 0;
    std::uint64_t bytesSinceStep_ = 0;
    std::int16_t progress_ = 0;
};

}  // namespace raredaro
