// The windows' one way to run a step that may fail: AppError and std::exception (and, as a
// last resort, anything else) are caught and written to the debugger output
// (OutputDebugString), so a failure is never lost and never unwinds into a window
// procedure. Steps whose failure the user is told of report it themselves; the rest stay
// silent on screen: the windows show messages only for questions and a few notices.
#pragma once

#include <exception>
#include <string>

#include "core/AppError.h"

namespace vt {

// Writes "Vantorile: <where>: <what>" to the debugger output. Never throws.
void ReportFailure(const char* where, const AppError& e) noexcept;
void ReportFailure(const char* where, const std::exception& e) noexcept;
void ReportFailure(const char* where, const char* what) noexcept;

// Where the lines go instead of the debugger output (tests read them); nullptr for the
// debugger output again. Returns the sink it replaces.
using FailureSink = void (*)(const std::string& line);
FailureSink SetFailureSink(FailureSink sink) noexcept;

// Runs step(); true when it ended normally, false when it failed (and was reported).
template <typename F>
bool Guarded(const char* where, F&& step) noexcept {
    try {
        step();
        return true;
    } catch (const AppError& e) { ReportFailure(where, e); } catch (const std::exception& e) {
        ReportFailure(where, e);
    } catch (...) { ReportFailure(where, "a failure of no known kind"); }
    return false;
}

}  // namespace vt
