// Who made a file: its Authenticode signature (embedded, or in one of the system's
// catalogs) checked without ever going to the network, the signer's name, and the file's
// SHA-256. One object keeps its hashing provider, catalog contexts and read buffer from
// one file to the next; use one per thread.
#pragma once

#include <memory>
#include <string>

#include "fileinfo/pure/SignatureStatus.h"

namespace vt {

class FileSignature {
public:
    FileSignature();
    ~FileSignature();
    FileSignature(const FileSignature&) = delete;
    FileSignature& operator=(const FileSignature&) = delete;
    FileSignature(FileSignature&&) noexcept;
    FileSignature& operator=(FileSignature&&) noexcept;

    // The file's status, signer, whether a catalog signed it, and its SHA-256. A file that
    // cannot be opened (missing, a folder, held open by a program that shares it with
    // nobody) or read is "unknown", at once: nothing waits for it.
    SignatureResult Check(const std::string& path);

    // The SHA-256 of the whole file as 64 upper-case hex digits; "" when it cannot be read.
    std::string Sha256(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vt
