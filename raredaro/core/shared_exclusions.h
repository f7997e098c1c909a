// The process-wide exclusion list. Several trigger objects may live in one
// process, each with a worker that compiles the list when it starts and
// scans against it. A compile therefore builds its list aside and puts it in
// place at once, and a test holds the list it reads, so that nobody sees a
// list half built or freed under them. Each object counts as a user; the
// list is freed when the last user goes, not by the first object released.
#pragma once
#include <memory>
#include <mutex>

#include "raredaro/core/exclusion_list.h"

namespace raredaro {

class SharedExclusions {
public:
    void addUser();
    // The last user's leaving frees the list.
    void removeUser();
    // Replaces the list (null: no list).
    void publish(std::shared_ptr<const ExclusionList> list);
    // The list as it is now; it stays valid for the holder whatever happens next.
    std::shared_ptr<const ExclusionList> current() const;

private:
    mutable std::mutex mutex_;
    int users_ = 0;
    std::shared_ptr<const ExclusionList> list_;
};

}  // namespace raredaro
