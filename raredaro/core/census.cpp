#include "raredaro/core/census.h"

namespace raredaro {

void CensusState::reset(std::uint64_t usedBytes, std::uint32_t clusterSize) {
    // A volume that reports no cluster size would make every file's size wrap.
    clusterSize_ = clusterSize ? clusterSize : 1;
    clusterMask_ = ~std::uint64_t{clusterSize_ - 1u};
    progress_ = 0;
    progressStep_ = usedBytes * 2 / 1000;
    bytesSinceStep_ = 0;
}

bool CensusState::advance(std::uint64_t allocatedBytes) {
    bytesSinceStep_ += allocatedBytes;
    if (bytesSinceStep_ < progressStep_) return false;
    // One step per file at most; the rest waits for the following files.
    bytesSinceStep_ -= progressStep_;
    progress_ = static_cast<std::int16_t>(progress_ + 2);
    if (progress_ > 1000) progress_ = 999;
    return true;
}

}  // namespace raredaro
