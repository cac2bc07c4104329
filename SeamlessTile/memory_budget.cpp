#include "memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

MemoryBudget::MemoryBudget() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGE_SIZE);
    uint64_t total = pages > 0 && page > 0 ? uint64_t(pages) * uint64_t(page) : uint64_t(1) << 32;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        total = std::min<uint64_t>(total, limit.rlim_cur);
    limit_ = std::max<uint64_t>(total / 2, uint64_t(64) << 20);
}

MemoryBudget::Share::Share(MemoryBudget& budget, uint64_t bytes) : budget_(budget), bytes_(bytes) {
    std::unique_lock<std::mutex> hold(budget_.lock_);
    budget_.freed_.wait(hold, [&] { return budget_.used_ == 0 || budget_.used_ + bytes_ <= budget_.limit_; });
    budget_.used_ += bytes_;
}

MemoryBudget::Share::~Share() {
    {
        std::lock_guard<std::mutex> hold(budget_.lock_);
        budget_.used_ -= bytes_;
    }
    budget_.freed_.notify_all();
}
