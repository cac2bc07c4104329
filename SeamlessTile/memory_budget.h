// How many large pictures are made at once: each job holds a share of a
// budget of memory while it works, and waits while the budget is spent.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

class MemoryBudget {
public:
    // Half the memory there is to use: the machine's, or less when the
    // process is limited (ulimit -v).
    MemoryBudget();
    explicit MemoryBudget(uint64_t bytes) : limit_(bytes) {}
    uint64_t limit() const { return limit_; }

    // Holds `bytes` of the budget until it goes out of scope. A job larger
    // than the whole budget waits until it can run alone.
    class Share {
    public:
        Share(MemoryBudget& budget, uint64_t bytes);
        ~Share();
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;

    private:
        MemoryBudget& budget_;
        uint64_t bytes_;
    };

private:
    uint64_t limit_;
    uint64_t used_ = 0;
    std::mutex lock_;
    std::condition_variable freed_;
};
