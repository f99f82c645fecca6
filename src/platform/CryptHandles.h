// Owning wrappers for what the signature checks and the hashing open: certificate stores,
// certificates and chains, hashing objects, catalog contexts and a trust verdict's state.
// Kept apart from platform/Handles.h so the rest of the program does not pull in the
// cryptography headers.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <mscat.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <utility>

#include "platform/Handles.h"

namespace vt {

struct CertStoreTraits {
    static HCERTSTORE Invalid() noexcept { return nullptr; }
    static void Close(HCERTSTORE h) noexcept { ::CertCloseStore(h, 0); }
};
struct CertContextTraits {
    static PCCERT_CONTEXT Invalid() noexcept { return nullptr; }
    static void Close(PCCERT_CONTEXT h) noexcept { ::CertFreeCertificateContext(h); }
};
struct CertChainTraits {
    static PCCERT_CHAIN_CONTEXT Invalid() noexcept { return nullptr; }
    static void Close(PCCERT_CHAIN_CONTEXT h) noexcept { ::CertFreeCertificateChain(h); }
};
struct BCryptAlgorithmTraits {
    static BCRYPT_ALG_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(BCRYPT_ALG_HANDLE h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct BCryptHashTraits {
    static BCRYPT_HASH_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(BCRYPT_HASH_HANDLE h) noexcept { ::BCryptDestroyHash(h); }
};
struct CatAdminTraits {
    static HCATADMIN Invalid() noexcept { return nullptr; }
    static void Close(HCATADMIN h) noexcept { ::CryptCATAdminReleaseContext(h, 0); }
};

using UniqueCertStore = UniqueAny<HCERTSTORE, CertStoreTraits>;
using UniqueCertContext = UniqueAny<PCCERT_CONTEXT, CertContextTraits>;
using UniqueCertChain = UniqueAny<PCCERT_CHAIN_CONTEXT, CertChainTraits>;
using UniqueBCryptAlgorithm = UniqueAny<BCRYPT_ALG_HANDLE, BCryptAlgorithmTraits>;
using UniqueBCryptHash = UniqueAny<BCRYPT_HASH_HANDLE, BCryptHashTraits>;
using UniqueCatAdmin = UniqueAny<HCATADMIN, CatAdminTraits>;

// A catalog found for a hash: released through the catalog context that found it, which
// must outlive it.
class UniqueCatInfo {
public:
    UniqueCatInfo(HCATADMIN admin, HCATINFO info) noexcept : admin_(admin), info_(info) {}
    UniqueCatInfo(const UniqueCatInfo&) = delete;
    UniqueCatInfo& operator=(const UniqueCatInfo&) = delete;
    UniqueCatInfo(UniqueCatInfo&& o) noexcept : admin_(o.admin_), info_(std::exchange(o.info_, nullptr)) {}
    UniqueCatInfo& operator=(UniqueCatInfo&&) = delete;
    ~UniqueCatInfo() {
        if (info_) ::CryptCATAdminReleaseCatalogContext(admin_, info_, 0);
    }
    HCATINFO get() const noexcept { return info_; }
    explicit operator bool() const noexcept { return info_ != nullptr; }

private:
    HCATADMIN admin_;
    HCATINFO info_;
};

// The state a WinVerifyTrust call with WTD_STATEACTION_VERIFY leaves behind: closed with
// WTD_STATEACTION_CLOSE on the same action and data when the scope ends, whatever the
// verdict was. data and action must outlive the scope.
class TrustStateScope {
public:
    TrustStateScope(GUID& action, WINTRUST_DATA& data) noexcept : action_(action), data_(data) {}
    TrustStateScope(const TrustStateScope&) = delete;
    TrustStateScope& operator=(const TrustStateScope&) = delete;
    TrustStateScope(TrustStateScope&&) = delete;
    TrustStateScope& operator=(TrustStateScope&&) = delete;
    ~TrustStateScope() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }

private:
    GUID& action_;
    WINTRUST_DATA& data_;
};

}  // namespace vt
