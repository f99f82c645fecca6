// Runs a clean-up when a scope ends, however it ends (a return, or an exception from a
// handler): running flags and the like never stay stuck.
#pragma once

#include <utility>

namespace vt {

template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { f_(); }

private:
    F f_;
};

}  // namespace vt
