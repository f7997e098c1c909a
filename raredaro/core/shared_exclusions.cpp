#include "raredaro/core/shared_exclusions.h"

#include <utility>

namespace raredaro {

void SharedExclusions::addUser() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++users_;
}

void SharedExclusions::removeUser() {
    std::shared_ptr<const ExclusionList> last;  // freed outside the lock
    std::lock_guard<std::mutex> lock(mutex_);
    if (users_ > 0 && --users_ == 0) last = std::move(list_);
}

void SharedExclusions::publish(std::shared_ptr<const ExclusionList> list) {
    std::lock_guard<std::mutex> lock(mutex_);
    list_.swap(list);
}

std::shared_ptr<const ExclusionList> SharedExclusions::current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return list_;
}

}  // namespace raredaro
