// Who made a file, as the lists, the details window and the console program tell it:
// the status from the system's two answers about a signature (the trust verdict and the
// signer's certificate chain), and the words and texts each status is shown with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

enum class SignatureStatus {
    Verified,   // a valid signature whose chain ends in a trusted root
    Untrusted,  // a valid signature whose chain does not end in a trusted root
    Invalid,    // a signature that does not match the file, or whose certificate is unusable
    Unsigned,   // no signature, embedded or in a catalog
    Unknown,    // the file cannot be opened or read, or does not exist
};

// What one check of a file found.
struct SignatureResult {
    SignatureStatus status = SignatureStatus::Unknown;
    std::string signer;    // the leaf certificate's display name, for verified and untrusted
    bool catalog = false;  // the signature is a system catalog's, not the file's own
    std::string sha256;    // 64 upper-case hex digits; "" when the file could not be read
};

// The trust verdict's numbers that decide a status (WinVerifyTrust's HRESULTs and the
// chain's CERT_TRUST_* error bits), so this file needs no system header.
namespace trust {
inline constexpr int32_t kNoSignature = static_cast<int32_t>(0x800B0100);         // TRUST_E_NOSIGNATURE
inline constexpr int32_t kSubjectFormUnknown = static_cast<int32_t>(0x800B0003);  // TRUST_E_SUBJECT_FORM_UNKNOWN
inline constexpr int32_t kProviderUnknown = static_cast<int32_t>(0x800B0001);     // TRUST_E_PROVIDER_UNKNOWN
inline constexpr int32_t kBadDigest = static_cast<int32_t>(0x80096010);           // TRUST_E_BAD_DIGEST
inline constexpr int32_t kUntrustedRoot = static_cast<int32_t>(0x800B0109);       // CERT_E_UNTRUSTEDROOT
inline constexpr int32_t kUntrustedTestRoot = static_cast<int32_t>(0x800B010D);   // CERT_E_UNTRUSTEDTESTROOT
inline constexpr int32_t kChaining = static_cast<int32_t>(0x800B010A);            // CERT_E_CHAINING
inline constexpr int32_t kUntrustedCa = static_cast<int32_t>(0x800B0112);         // CERT_E_UNTRUSTEDCA
inline constexpr int32_t kSubjectNotTrusted = static_cast<int32_t>(0x800B0004);   // TRUST_E_SUBJECT_NOT_TRUSTED
inline constexpr int32_t kExpired = static_cast<int32_t>(0x800B0101);             // CERT_E_EXPIRED
inline constexpr int32_t kRevoked = static_cast<int32_t>(0x800B010C);             // CERT_E_REVOKED
inline constexpr int32_t kWrongUsage = static_cast<int32_t>(0x800B0110);          // CERT_E_WRONG_USAGE
inline constexpr int32_t kFileError = static_cast<int32_t>(0x80092003);           // CRYPT_E_FILE_ERROR
// Wine's verdict on a file of no signable form (a text file) is the subject guess's own
// Win32 error, ERROR_INVALID_PARAMETER, where Windows says TRUST_E_SUBJECT_FORM_UNKNOWN.
inline constexpr int32_t kInvalidParameter = 87;
inline constexpr int32_t kInvalidParameterHr = static_cast<int32_t>(0x80070057);
inline constexpr uint32_t kChainNotTimeValid = 0x00000001;      // CERT_TRUST_IS_NOT_TIME_VALID
inline constexpr uint32_t kChainRevoked = 0x00000004;           // CERT_TRUST_IS_REVOKED
inline constexpr uint32_t kChainBadSignature = 0x00000008;      // CERT_TRUST_IS_NOT_SIGNATURE_VALID
inline constexpr uint32_t kChainWrongUsage = 0x00000010;        // CERT_TRUST_IS_NOT_VALID_FOR_USAGE
inline constexpr uint32_t kChainUntrustedRoot = 0x00000020;     // CERT_TRUST_IS_UNTRUSTED_ROOT
inline constexpr uint32_t kChainCyclic = 0x00000080;            // CERT_TRUST_IS_CYCLIC
inline constexpr uint32_t kChainExplicitDistrust = 0x04000000;  // CERT_TRUST_IS_EXPLICIT_DISTRUST
inline constexpr uint32_t kChainPartial = 0x00010000;           // CERT_TRUST_IS_PARTIAL_CHAIN
}  // namespace trust

// The status from WinVerifyTrust's answer and, when it found a signature, the error bits
// of the signer's own chain (a chain that could not be built at all counts as partial).
// The chain decides trust whatever the verdict said: a signer whose root is unknown gets
// a success from the verdict on some systems. Time validity and usage are the verdict's
// to judge (a timestamp keeps an expired certificate's signature valid), so those bits of
// the chain, built for today, are not held against the file.
SignatureStatus StatusFromTrust(int32_t verifyResult, uint32_t chainErrors);

// True when the verdict says the file carries no signature of its own, so the system
// catalogs are asked about it.
bool HasNoEmbeddedSignature(int32_t verifyResult);

// The status from the verdict on a catalog that holds the file's hash: as for a file's
// own signature, except that a catalog without a valid signature of its own proves
// nothing and makes the file's signature "invalid", not "unsigned".
SignatureStatus CatalogStatusFromTrust(int32_t verifyResult, uint32_t chainErrors);

// "verified", "untrusted", "invalid", "unsigned", "unknown".
const char* StatusWord(SignatureStatus status);

// The publisher column's text: the signer's name; "Non attendibile: " + name; "Firma non
// valida"; "Non firmato"; "" when nothing is known.
std::string SignatureColumnText(const SignatureResult& result);
// The details window's text: the column's, with " (catalog)" after a catalog's signature.
std::string SignatureDetailsText(const SignatureResult& result);

// Bytes as upper-case hex digits, two per byte (the form of a SHA-256 and of a catalog
// member's tag).
std::string HexUpper(const unsigned char* bytes, size_t size);

}  // namespace vt
