// Runtime: routine scope, the fatal error report, checked arrays.
//
// Every routine opens a ROUTINE("Module", "NAME") scope; a failing guarded
// operation ends the program with fatal_error(), which names the error, the
// source line of the failing call, and the module and routine in scope.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The source line of a call, taken where the call is written when used as a
// default argument (works with every compiler here, unlike
// std::source_location).
struct CallSite {
    static constexpr CallSite current(int line = __builtin_LINE()) { return CallSite{line}; }
    int line_;
    constexpr int line() const { return line_; }
};

enum RuntimeError : int {
    ERR_ILLEGAL_CALL = 1,
    ERR_FILE_NOT_FOUND = 2,
    ERR_FILE_IO = 3,
    ERR_OUT_OF_MEMORY = 4,
    ERR_OUT_OF_BOUNDS = 6,
    ERR_NULL_POINTER = 7,
    ERR_NO_PRIVILEGES = 8,
};

// Records module and routine on entry and restores the caller's on exit.
struct RoutineScope {
    RoutineScope(const char* module, const char* routine);
    ~RoutineScope();
    RoutineScope(const RoutineScope&) = delete;
    RoutineScope& operator=(const RoutineScope&) = delete;
    const char* saved_module;
    const char* saved_routine;
};
#define ROUTINE(module, routine) RoutineScope routine_scope_(module, routine)

// Writes the report to stderr and ends the process with exit status `error`.
// line <= 0 means the line is not known. Inside a FatalCatch scope the report
// is thrown as a FatalReport instead, for a library caller to return.
[[noreturn]] void fatal_error(int error, int line);

// The fatal report as a value: the error number and the report's text.
struct FatalReport {
    int error;
    std::string text;
};
// While one of these lives, fatal reports (but out of memory) are thrown.
struct FatalCatch {
    FatalCatch();
    ~FatalCatch();
    FatalCatch(const FatalCatch&) = delete;
    FatalCatch& operator=(const FatalCatch&) = delete;
};
[[noreturn]] inline void fatal_error(int error, const CallSite& at) {
    fatal_error(error, at.line());
}

// A null pointer where a routine needs a buffer or record: error 7.
template <class T>
inline T* need(T* p, const CallSite& at = CallSite::current()) {
    if (!p) fatal_error(ERR_NULL_POINTER, at);
    return p;
}

// Checks a platform call's result: non-zero ends the program with that error.
inline void check(int result, const CallSite& at = CallSite::current()) {
    if (result != 0) fatal_error(result, at);
}

// A dynamic array with lower and upper bounds. Empty: lbound 0, ubound -1.
// Indexing outside the bounds is error 6; failing to get memory is error 4.
template <class T>
class Array {
public:
    int lbound() const { return lo_; }
    int ubound() const { return hi_; }
    bool empty() const { return hi_ < lo_; }
    int64_t count() const { return int64_t(hi_) - lo_ + 1; }

    // New bounds; every element default.
    void redim(int lo, int hi, const CallSite& at = CallSite::current()) {
        std::vector<T> fresh;
        grow_to(fresh, lo, hi, at);
        v_.swap(fresh);
        lo_ = lo;
        hi_ = hi;
    }
    // New upper bound keeping the elements that remain (same lower bound).
    void redim_preserve(int hi, const CallSite& at = CallSite::current()) {
        if (hi < lo_ - 1) hi = lo_ - 1;
        int64_t n = int64_t(hi) - lo_ + 1;
        // Capacity at least doubles, so growing by one element at a time (a
        // listing of 10,000 files) does not move every element each time.
        if (n > int64_t(v_.capacity())) reserve_or_die(v_, std::max<int64_t>(n, int64_t(v_.capacity()) * 2), at);
        v_.resize(size_t(n));
        hi_ = hi;
    }
    // One more element at the end.
    void push_back(T value, const CallSite& at = CallSite::current()) {
        if (empty()) { lo_ = 0; hi_ = -1; v_.clear(); }
        if (hi_ == INT32_MAX) fatal_error(ERR_OUT_OF_MEMORY, at);
        redim_preserve(hi_ + 1, at);
        v_.back() = std::move(value);
    }
    void erase() { std::vector<T>().swap(v_); lo_ = 0; hi_ = -1; }

    T& operator()(int i, const CallSite& at = CallSite::current()) {
        if (i < lo_ || i > hi_) fatal_error(ERR_OUT_OF_BOUNDS, at);
        return v_[size_t(int64_t(i) - lo_)];
    }
    const T& operator()(int i, const CallSite& at = CallSite::current()) const {
        if (i < lo_ || i > hi_) fatal_error(ERR_OUT_OF_BOUNDS, at);
        return v_[size_t(int64_t(i) - lo_)];
    }

private:
    static void reserve_or_die(std::vector<T>& v, int64_t n, const CallSite& at) {
        try {
            v.reserve(size_t(n));
        } catch (...) {
            fatal_error(ERR_OUT_OF_MEMORY, at);
        }
    }
    static void grow_to(std::vector<T>& v, int lo, int hi, const CallSite& at) {
        int64_t n = int64_t(hi) - lo + 1;
        if (n <= 0) return;
        reserve_or_die(v, n, at);
        v.resize(size_t(n));
    }
    int lo_ = 0, hi_ = -1;
    std::vector<T> v_;
};

// Two-dimensional checked array (row bounds x column bounds).
template <class T>
class Array2 {
public:
    int lbound1() const { return lo1_; }
    int ubound1() const { return hi1_; }
    int lbound2() const { return lo2_; }
    int ubound2() const { return hi2_; }
    void redim(int lo1, int hi1, int lo2, int hi2,
               const CallSite& at = CallSite::current()) {
        int64_t rows = int64_t(hi1) - lo1 + 1, cols = int64_t(hi2) - lo2 + 1;
        std::vector<T> fresh;
        if (rows > 0 && cols > 0) {
            if (rows > INT64_MAX / cols) fatal_error(ERR_OUT_OF_MEMORY, at);
            try {
                fresh.resize(size_t(rows * cols));
            } catch (...) {
                fatal_error(ERR_OUT_OF_MEMORY, at);
            }
        }
        v_.swap(fresh);
        lo1_ = lo1; hi1_ = hi1; lo2_ = lo2; hi2_ = hi2;
    }
    T& operator()(int i, int j, const CallSite& at = CallSite::current()) {
        if (i < lo1_ || i > hi1_ || j < lo2_ || j > hi2_) fatal_error(ERR_OUT_OF_BOUNDS, at);
        return v_[size_t((int64_t(i) - lo1_) * (int64_t(hi2_) - lo2_ + 1) + (int64_t(j) - lo2_))];
    }
    std::vector<T>& raw() { return v_; }

private:
    int lo1_ = 0, hi1_ = -1, lo2_ = 0, hi2_ = -1;
    std::vector<T> v_;
};
