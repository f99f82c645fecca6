#include "platform/ErrorBoundary.h"

#include <windows.h>

#include <atomic>

namespace vt {

namespace {
std::atomic<FailureSink> g_sink{nullptr};
}  // namespace

FailureSink SetFailureSink(FailureSink sink) noexcept { return g_sink.exchange(sink); }

void ReportFailure(const char* where, const char* what) noexcept {
    try {
        const std::string line = std::string("Vantorile: ") + (where ? where : "") + ": " + (what ? what : "") + "\n";
        if (FailureSink sink = g_sink.load()) sink(line);
        else ::OutputDebugStringA(line.c_str());
    } catch (...) {
        // Out of memory while reporting (or a sink that failed): say at least where.
        ::OutputDebugStringA(where ? where : "Vantorile: failure");
    }
}

void ReportFailure(const char* where, const AppError& e) noexcept {
    try {
        const std::string what = e.Source() + " " + std::to_string(e.Number()) + ": " + e.Description();
        ReportFailure(where, what.c_str());
    } catch (...) { ReportFailure(where, e.what()); }
}

void ReportFailure(const char* where, const std::exception& e) noexcept { ReportFailure(where, e.what()); }

}  // namespace vt
