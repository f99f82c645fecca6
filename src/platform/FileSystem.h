// The file-system questions the windows ask: file-name part, joining, and whether a
// file (not a folder) exists; plus deletion with the system's reason on failure.
#pragma once

#include <string>

#include "core/PathText.h"

namespace vt {

class FileSystemObject {
public:
    std::string GetFileName(const std::string& path) const { return FileNamePart(path); }
    std::string BuildPath(const std::string& folder, const std::string& name) const {
        return vt::BuildPath(folder, name);
    }
    bool FileExists(const std::string& path) const;
};

// Deletes a file; on failure returns false and puts the system's reason in *reason.
bool DeleteFileWithReason(const std::string& path, std::string* reason = nullptr);

}  // namespace vt
