#include "fileinfo/pure/SignatureStatus.h"

namespace vt {

namespace {

// A Win32 error, bare or carried as an HRESULT of facility 7 (access denied, a sharing
// violation, a read that failed): the file could not be read, which says nothing about
// its signer.
bool IsWin32Failure(int32_t result) {
    return (result > 0 && result < 0x10000) || (static_cast<uint32_t>(result) & 0xFFFF0000u) == 0x80070000u;
}

}  // namespace

bool HasNoEmbeddedSignature(int32_t verifyResult) {
    return verifyResult == trust::kNoSignature || verifyResult == trust::kSubjectFormUnknown ||
           verifyResult == trust::kProviderUnknown || verifyResult == trust::kInvalidParameter ||
           verifyResult == trust::kInvalidParameterHr;
}

SignatureStatus StatusFromTrust(int32_t verifyResult, uint32_t chainErrors) {
    if (verifyResult == 0) {
        if (chainErrors & (trust::kChainRevoked | trust::kChainBadSignature | trust::kChainExplicitDistrust))
            return SignatureStatus::Invalid;
        if (chainErrors & (trust::kChainUntrustedRoot | trust::kChainPartial | trust::kChainCyclic))
            return SignatureStatus::Untrusted;
        return SignatureStatus::Verified;
    }
    if (HasNoEmbeddedSignature(verifyResult)) return SignatureStatus::Unsigned;
    switch (verifyResult) {
    case trust::kUntrustedRoot:
    case trust::kUntrustedTestRoot:
    case trust::kChaining:
    case trust::kUntrustedCa:
    case trust::kSubjectNotTrusted: return SignatureStatus::Untrusted;
    case trust::kFileError: return SignatureStatus::Unknown;
    default: break;
    }
    if (IsWin32Failure(verifyResult)) return SignatureStatus::Unknown;
    // A bad digest, a revoked or expired certificate, a wrong usage, a malformed signature.
    return SignatureStatus::Invalid;
}

SignatureStatus CatalogStatusFromTrust(int32_t verifyResult, uint32_t chainErrors) {
    const SignatureStatus status = StatusFromTrust(verifyResult, chainErrors);
    return status == SignatureStatus::Unsigned ? SignatureStatus::Invalid : status;
}

const char* StatusWord(SignatureStatus status) {
    switch (status) {
    case SignatureStatus::Verified: return "verified";
    case SignatureStatus::Untrusted: return "untrusted";
    case SignatureStatus::Invalid: return "invalid";
    case SignatureStatus::Unsigned: return "unsigned";
    case SignatureStatus::Unknown: break;
    }
    return "unknown";
}

std::string SignatureColumnText(const SignatureResult& result) {
    switch (result.status) {
    case SignatureStatus::Verified: return result.signer;
    case SignatureStatus::Untrusted: return "Non attendibile: " + result.signer;
    case SignatureStatus::Invalid: return "Firma non valida";
    case SignatureStatus::Unsigned: return "Non firmato";
    case SignatureStatus::Unknown: break;
    }
    return "";
}

std::string SignatureDetailsText(const SignatureResult& result) {
    std::string text = SignatureColumnText(result);
    if (result.catalog && !text.empty()) text += " (catalog)";
    return text;
}

std::string HexUpper(const unsigned char* bytes, size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(size * 2, '0');
    for (size_t i = 0; i < size; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return out;
}

}  // namespace vt
