// Minimal owning COM interface pointer, and a scope that initialises COM on a thread.
#pragma once

#include <objbase.h>

#include <utility>

namespace vt {

// One by-value assignment serves both copy and move.
template <typename I>
class ComPtr {  // NOLINT(cppcoreguidelines-special-member-functions)
public:
    ComPtr() noexcept = default;
    explicit ComPtr(I* p) noexcept : p_(p) {}  // adopts one reference
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    I** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    template <typename Other>
    ComPtr<Other> As(REFIID iid) const noexcept {
        ComPtr<Other> out;
        if (p_) p_->QueryInterface(iid, out.put_void());
        return out;
    }

private:
    I* p_ = nullptr;
};

class ComScope {
public:
    ComScope() noexcept : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

}  // namespace vt
