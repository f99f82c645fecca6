// The clock seam: the windows wait through it, so tests do not sleep for real.
#pragma once

#include <windows.h>

namespace vt {

class IClock {
public:
    virtual ~IClock() = default;
    virtual void Sleep(DWORD ms) = 0;
    virtual ULONGLONG NowMs() = 0;
};

class SystemClock final : public IClock {
public:
    void Sleep(DWORD ms) override { ::Sleep(ms); }
    ULONGLONG NowMs() override { return ::GetTickCount64(); }
};

}  // namespace vt
