// Shell links (".lnk" shortcuts) read and written through the platform's shell link
// object, and special folder numbers turned into paths. Holds no state: each call makes
// and releases its own object. COM must be initialised on the calling thread by the
// caller (the program does it at start-up).
//
// Failure contract: every method answers False on failure and leaves its out-parameters
// as the caller passed them, except that GetShellLinkInfo raises vt::AppError when the
// shell link object itself cannot be created (COM not initialised, class missing).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vt {

class cShellLink {
public:
    // True when the shell named special folder Id; sfPath receives its path (trimmed of
    // blanks) unless that came back empty.
    bool GetSystemFolderPath(HWND hwnd, int32_t Id, std::string& sfPath);

    // Saves a new link LnkFile pointing at ExeFile. Empty WorkDir, ExeArgs and IconFile
    // leave those fields unset. False when LnkFile or ExeFile is empty or any step fails.
    bool CreateShellLink(const std::string& LnkFile, const std::string& ExeFile, const std::string& WorkDir,
                         const std::string& ExeArgs, const std::string& IconFile, int32_t IconIdx, int32_t ShowCmd);

    // Reads link LnkFile into the out-parameters (texts of at most 254 characters). When a
    // read fails the call answers False: fields read before the failure hold what was
    // read, the rest keep the caller's values.
    bool GetShellLinkInfo(const std::string& LnkFile, std::string& ExeFile, std::string& WorkDir, std::string& ExeArgs,
                          std::string& IconFile, int32_t& IconIdx, int32_t& ShowCmd);
};

}  // namespace vt
