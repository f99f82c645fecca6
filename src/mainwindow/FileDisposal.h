// Deleting a file the user agreed to delete: to the Recycle Bin where its volume has one,
// for good only after a further Yes, and at the next restart when it is in use.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace vt {

enum class Disposal {
    Gone,       // recycled, or deleted for good after the user's Yes
    Kept,       // the user said no to deleting it for good or at the restart
    Scheduled,  // to be deleted at the next restart
    Reported,   // could not go, and the user has been told why
    Failed,     // could not go; `reason` says why, nothing has been shown
};

using AskFunction = std::function<int(const std::string& text, const std::string& title, UINT style)>;

Disposal DisposeOfFile(const std::string& path, const AskFunction& ask, std::string* reason = nullptr);

}  // namespace vt
