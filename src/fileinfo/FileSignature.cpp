#include "fileinfo/FileSignature.h"

#include <windows.h>
#include <softpub.h>

#include <array>
#include <optional>
#include <vector>

#include "platform/CryptHandles.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

namespace vt {

namespace {

// Blocks of 1 MiB: the cost of a read and of a hashing call is paid per block, and under
// Wine each read is a round trip to the server.
constexpr DWORD kBlock = 1u << 20;
constexpr size_t kMaxHash = 64;  // the longest catalog hash (SHA-512 would fit)

// The catalog calls that take a hashing algorithm came with Windows 8, and the import
// library of the cross toolchain has neither; Wine 8 has only the first. Taken from the
// loaded module, and passed over when missing.
using AcquireContext2Fn = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*, const CERT_STRONG_SIGN_PARA*, DWORD);
using CalcHash2Fn = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

struct CatalogCalls {
    AcquireContext2Fn acquire2 = nullptr;
    CalcHash2Fn calcHash2 = nullptr;
};

const CatalogCalls& Catalogs() {
    static const CatalogCalls calls = [] {
        CatalogCalls c;
        if (HMODULE wintrust = ::GetModuleHandleW(L"wintrust.dll")) {
            c.acquire2 = reinterpret_cast<AcquireContext2Fn>(
                reinterpret_cast<void*>(::GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
            c.calcHash2 = reinterpret_cast<CalcHash2Fn>(
                reinterpret_cast<void*>(::GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
        }
        return c;
    }();
    return calls;
}

bool Rewind(HANDLE file) {
    LARGE_INTEGER zero{};
    return ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) != 0;
}

std::string SignerName(PCCERT_CONTEXT cert) {
    DWORD size = ::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (size <= 1) return "";
    std::wstring name(size, L'\0');
    size = ::CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), size);
    name.resize(size > 0 ? size - 1 : 0);
    return Narrow(name);
}

// The error bits of the signer's own chain, built from the system's stores and the
// certificates the signature carries, without going to the network.
uint32_t ChainErrors(PCCERT_CONTEXT leaf) {
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    UniqueCertChain chain;
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    if (!::CertGetCertificateChain(nullptr, leaf, nullptr, leaf->hCertStore, &para, CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL,
                                   nullptr, &raw) ||
        !raw)
        return trust::kChainPartial;
    chain.reset(raw);
    return chain.get()->TrustStatus.dwErrorStatus;
}

// What one WinVerifyTrust call (on the file's own signature or on a catalog's) answered.
struct Verdict {
    int32_t result = 0;
    uint32_t chainErrors = 0;
    std::string signer;  // the leaf certificate's name, when there is one
};

// The verdict's state is closed before returning, whatever it was.
Verdict Verify(WINTRUST_DATA& data) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    // A check never goes to the network, so an offline machine never stalls on it.
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    Verdict verdict;
    verdict.result = static_cast<int32_t>(::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data));
    TrustStateScope state(action, data);

    PCCERT_CONTEXT leaf = nullptr;
    if (CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data.hWVTStateData)) {
        CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
        if (signer && signer->csCertChain > 0 && signer->pasCertChain) leaf = signer->pasCertChain[0].pCert;
    }
    if (leaf) verdict.signer = SignerName(leaf);
    // The chain decides only where the verdict found a valid signature; without the
    // signer's certificate there is no chain to trust.
    if (verdict.result == 0) verdict.chainErrors = leaf ? ChainErrors(leaf) : trust::kChainPartial;
    return verdict;
}

SignatureResult ResultOf(SignatureStatus status, const Verdict& verdict) {
    SignatureResult result;
    result.status = status;
    if (status == SignatureStatus::Verified || status == SignatureStatus::Untrusted) result.signer = verdict.signer;
    return result;
}

}  // namespace

struct FileSignature::Impl {
    UniqueBCryptAlgorithm sha256;
    bool sha256Tried = false;
    std::vector<unsigned char> buffer;
    // Catalog contexts by algorithm, acquired on first use; empty where none can be had.
    std::optional<UniqueCatAdmin> catalogSha256, catalogSha1;

    BCRYPT_ALG_HANDLE Sha256Provider() {
        if (!sha256Tried) {
            sha256Tried = true;
            BCRYPT_ALG_HANDLE h = nullptr;
            if (BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) sha256.reset(h);
        }
        return sha256.get();
    }

    // The whole file's SHA-256 from its start; false when it cannot be read.
    bool Hash(HANDLE file, std::string& hex) {
        BCRYPT_ALG_HANDLE provider = Sha256Provider();
        if (!provider || !Rewind(file)) return false;
        UniqueBCryptHash hash;
        if (!BCRYPT_SUCCESS(::BCryptCreateHash(provider, hash.put(), nullptr, 0, nullptr, 0, 0))) return false;
        if (buffer.empty()) buffer.resize(kBlock);
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(file, buffer.data(), kBlock, &got, nullptr)) return false;
            if (got == 0) break;
            if (!BCRYPT_SUCCESS(::BCryptHashData(hash.get(), buffer.data(), got, 0))) return false;
        }
        std::array<unsigned char, 32> digest{};
        if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
            return false;
        hex = HexUpper(digest.data(), digest.size());
        return true;
    }

    HCATADMIN CatalogAdmin(bool useSha256) {
        std::optional<UniqueCatAdmin>& slot = useSha256 ? catalogSha256 : catalogSha1;
        if (!slot) {
            slot.emplace();
            const CatalogCalls& calls = Catalogs();
            HCATADMIN admin = nullptr;
            if (calls.acquire2 &&
                calls.acquire2(&admin, nullptr, useSha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_SHA1_ALGORITHM, nullptr,
                               0))
                slot->reset(admin);
            // Where the call with an algorithm is missing or refuses (Wine 8 has it as a
            // stub that fails), the older one gives the SHA-1 catalogs.
            admin = nullptr;
            if (!*slot && !useSha256 && ::CryptCATAdminAcquireContext(&admin, nullptr, 0)) slot->reset(admin);
        }
        return slot->get();
    }

    // The file's hash as the catalogs index it; empty when this system cannot make it.
    std::vector<BYTE> CatalogHash(HCATADMIN admin, bool useSha256, HANDLE file) {
        std::vector<BYTE> hash(kMaxHash);
        DWORD size = static_cast<DWORD>(hash.size());
        if (!Rewind(file)) return {};
        const CatalogCalls& calls = Catalogs();
        BOOL ok = FALSE;
        if (calls.calcHash2) ok = calls.calcHash2(admin, file, &size, hash.data(), 0);
        else if (!useSha256) ok = ::CryptCATAdminCalcHashFromFileHandle(file, &size, hash.data(), 0);
        if (!ok || size == 0 || size > hash.size()) return {};
        hash.resize(size);
        return hash;
    }

    // The verdict of the catalog that holds the file's hash, SHA-256 first; nullopt when
    // no catalog holds it.
    std::optional<SignatureResult> FromCatalogs(const std::wstring& path, HANDLE file) {
        for (bool useSha256 : {true, false}) {
            HCATADMIN admin = CatalogAdmin(useSha256);
            if (!admin) continue;
            std::vector<BYTE> hash = CatalogHash(admin, useSha256, file);
            if (hash.empty()) continue;
            UniqueCatInfo found(admin, ::CryptCATAdminEnumCatalogFromHash(admin, hash.data(),
                                                                          static_cast<DWORD>(hash.size()), 0, nullptr));
            if (!found) continue;
            CATALOG_INFO info{};
            info.cbStruct = sizeof info;
            if (!::CryptCATCatalogInfoFromContext(found.get(), &info, 0)) continue;
            // Catalogs name their members by the hash's hex digits.
            const std::wstring tag = Widen(HexUpper(hash.data(), hash.size()));
            WINTRUST_CATALOG_INFO member{};
            member.cbStruct = sizeof member;
            member.pcwszCatalogFilePath = info.wszCatalogFile;
            member.pcwszMemberTag = tag.c_str();
            member.pcwszMemberFilePath = path.c_str();
            member.hMemberFile = file;
            member.pbCalculatedFileHash = hash.data();
            member.cbCalculatedFileHash = static_cast<DWORD>(hash.size());
            member.hCatAdmin = admin;
            WINTRUST_DATA data{};
            data.dwUnionChoice = WTD_CHOICE_CATALOG;
            data.pCatalog = &member;
            const Verdict verdict = Verify(data);
            SignatureResult result = ResultOf(CatalogStatusFromTrust(verdict.result, verdict.chainErrors), verdict);
            result.catalog = true;
            return result;
        }
        return std::nullopt;
    }
};

FileSignature::FileSignature() : impl_(std::make_unique<Impl>()) {}
FileSignature::~FileSignature() = default;
FileSignature::FileSignature(FileSignature&&) noexcept = default;
FileSignature& FileSignature::operator=(FileSignature&&) noexcept = default;

namespace {

UniqueFileHandle OpenForReading(const std::wstring& path) {
    // Shared with writers and deleters too: a program writing its own file must not make
    // it unreadable here, nor be kept from renaming or removing it.
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

}  // namespace

SignatureResult FileSignature::Check(const std::string& path) {
    SignatureResult result;
    if (path.empty()) return result;
    const std::wstring wide = Widen(path);
    UniqueFileHandle file = OpenForReading(wide);
    if (!file) return result;
    std::string sha256;
    if (!impl_->Hash(file.get(), sha256)) return result;

    WINTRUST_FILE_INFO info{};
    info.cbStruct = sizeof info;
    info.pcwszFilePath = wide.c_str();
    info.hFile = file.get();
    WINTRUST_DATA data{};
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    if (!Rewind(file.get())) return result;
    const Verdict verdict = Verify(data);
    result = ResultOf(StatusFromTrust(verdict.result, verdict.chainErrors), verdict);
    // Most of the system's own files carry no signature of their own: a catalog signs them.
    if (HasNoEmbeddedSignature(verdict.result)) {
        std::optional<SignatureResult> fromCatalog = impl_->FromCatalogs(wide, file.get());
        if (fromCatalog) result = std::move(*fromCatalog);
    }
    result.sha256 = std::move(sha256);
    return result;
}

std::string FileSignature::Sha256(const std::string& path) {
    UniqueFileHandle file = OpenForReading(Widen(path));
    std::string hex;
    if (!file || !impl_->Hash(file.get(), hex)) return "";
    return hex;
}

}  // namespace vt
