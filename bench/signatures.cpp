// Speed of the signature check and the hashing, each beside a floor measured in the same
// run: FileSignature::Check over N distinct programs of 1 MiB against a bare loop of the
// very system calls it makes for them (open, SHA-256 in 1 MiB blocks, WinVerifyTrust with
// its state closed, the catalog lookups a file without a signature of its own gets),
// target <= 1.15; and FileSignature::Sha256 alone, whose time the script sets beside
// sha256sum over the same files. Also the engine (SignatureChecks, its worker threads)
// over the same files, for scale. Best of --runs rounds each, taken in turns.
//   bench_signatures --dir FOLDER [--files N] [--runs N]
// The files are made in FOLDER (left there for the script's sha256sum) with their
// digests in FOLDER\hashes.txt in sha256sum's format.
#include <windows.h>
#include <softpub.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fileinfo/FileSignature.h"
#include "fileinfo/SignatureChecks.h"
#include "platform/CryptHandles.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr DWORD kBlock = 1u << 20;

using AcquireContext2Fn = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*, const CERT_STRONG_SIGN_PARA*, DWORD);
using CalcHash2Fn = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

// The same system calls as the class, with everything it keeps between files made once.
class BareLoop {
public:
    BareLoop() : buffer_(kBlock) {
        BCRYPT_ALG_HANDLE h = nullptr;
        ::BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
        sha256_.reset(h);
        HMODULE wintrust = ::GetModuleHandleW(L"wintrust.dll");
        acquire2_ = reinterpret_cast<AcquireContext2Fn>(
            reinterpret_cast<void*>(::GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
        calcHash2_ = reinterpret_cast<CalcHash2Fn>(
            reinterpret_cast<void*>(::GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
        for (int i = 0; i < 2; ++i) {
            const bool useSha256 = i == 0;
            HCATADMIN admin = nullptr;
            if (acquire2_ &&
                acquire2_(&admin, nullptr, useSha256 ? BCRYPT_SHA256_ALGORITHM : BCRYPT_SHA1_ALGORITHM, nullptr, 0))
                admins_[i].reset(admin);
            admin = nullptr;
            if (!admins_[i] && !useSha256 && ::CryptCATAdminAcquireContext(&admin, nullptr, 0)) admins_[i].reset(admin);
        }
    }

    void Check(const std::wstring& path) {
        vt::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file || !Hash(file.get())) return;
        LARGE_INTEGER zero{};
        ::SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN);
        WINTRUST_FILE_INFO info{};
        info.cbStruct = sizeof info;
        info.pcwszFilePath = path.c_str();
        info.hFile = file.get();
        WINTRUST_DATA data{};
        data.cbStruct = sizeof data;
        data.dwUIChoice = WTD_UI_NONE;
        data.fdwRevocationChecks = WTD_REVOKE_NONE;
        data.dwUnionChoice = WTD_CHOICE_FILE;
        data.pFile = &info;
        data.dwStateAction = WTD_STATEACTION_VERIFY;
        data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        const LONG verdict = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
        ::WTHelperProvDataFromStateData(data.hWVTStateData);
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
        if (verdict == 0) return;
        for (int i = 0; i < 2; ++i) {
            if (!admins_[i]) continue;
            BYTE hash[64];
            DWORD size = sizeof hash;
            ::SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN);
            BOOL ok = FALSE;
            if (calcHash2_) ok = calcHash2_(admins_[i].get(), file.get(), &size, hash, 0);
            else if (i == 1) ok = ::CryptCATAdminCalcHashFromFileHandle(file.get(), &size, hash, 0);
            if (!ok) continue;
            vt::UniqueCatInfo found(admins_[i].get(),
                                    ::CryptCATAdminEnumCatalogFromHash(admins_[i].get(), hash, size, 0, nullptr));
            if (found) return;
        }
    }

private:
    bool Hash(HANDLE file) {
        vt::UniqueBCryptHash hash;
        if (!BCRYPT_SUCCESS(::BCryptCreateHash(sha256_.get(), hash.put(), nullptr, 0, nullptr, 0, 0))) return false;
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(file, buffer_.data(), kBlock, &got, nullptr)) return false;
            if (got == 0) break;
            ::BCryptHashData(hash.get(), buffer_.data(), got, 0);
        }
        unsigned char digest[32];
        return BCRYPT_SUCCESS(::BCryptFinishHash(hash.get(), digest, sizeof digest, 0));
    }

    std::vector<unsigned char> buffer_;
    vt::UniqueBCryptAlgorithm sha256_;
    AcquireContext2Fn acquire2_ = nullptr;
    CalcHash2Fn calcHash2_ = nullptr;
    vt::UniqueCatAdmin admins_[2];
};

// N programs of 1 MiB: this program's own image (a real executable without a signature)
// with a different filler after it in each, so no two files are alike.
std::vector<std::string> MakeFiles(const std::string& dir, int count) {
    std::string image;
    {
        vt::UniqueFileHandle self(::CreateFileW(vt::Widen(vt::ModulePath()).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size{};
        ::GetFileSizeEx(self.get(), &size);
        image.resize(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, kBlock / 2)));
        DWORD got = 0;
        ::ReadFile(self.get(), image.data(), static_cast<DWORD>(image.size()), &got, nullptr);
        image.resize(got);
    }
    std::vector<std::string> paths;
    uint32_t x = 88172645u;
    for (int i = 0; i < count; ++i) {
        std::string bytes = image;
        bytes.resize(kBlock);
        for (size_t k = image.size(); k < bytes.size(); ++k) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            bytes[k] = static_cast<char>(x);
        }
        const std::string path = dir + "\\program" + std::to_string(i) + ".exe";
        vt::UniqueFileHandle f(
            ::CreateFileW(vt::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!f || !::WriteFile(f.get(), bytes.data(), kBlock, &written, nullptr) || written != kBlock) {
            std::printf("bench: cannot write %s\n", path.c_str());
            std::exit(1);
        }
        paths.push_back(path);
    }
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    int files = 200, runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--dir") dir = argv[i + 1];
        else if (a == "--files") files = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (dir.empty()) {
        std::printf("usage: bench_signatures --dir FOLDER [--files N] [--runs N]\n");
        return 2;
    }
    auto t0 = Clock::now();
    const std::vector<std::string> paths = MakeFiles(dir, files);
    std::vector<std::wstring> wide;
    wide.reserve(paths.size());
    for (const std::string& p : paths) wide.push_back(vt::Widen(p));
    std::printf("%d programs of 1 MiB in %s (made in %.1f s)\n", files, dir.c_str(), Seconds(t0));

    vt::FileSignature check;
    BareLoop bare;
    // One untimed pass each, so both meet the same warm file cache.
    std::string statuses;
    for (const std::string& p : paths) statuses = vt::StatusWord(check.Check(p).status);
    for (const std::wstring& p : wide) bare.Check(p);

    double ours = 1e9, floor = 1e9, hashing = 1e9, engine = 1e9;
    for (int r = 0; r < runs; ++r) {
        auto s = Clock::now();
        for (const std::string& p : paths) check.Check(p);
        ours = std::min(ours, Seconds(s));
        s = Clock::now();
        for (const std::wstring& p : wide) bare.Check(p);
        floor = std::min(floor, Seconds(s));
        s = Clock::now();
        for (const std::string& p : paths) check.Sha256(p);
        hashing = std::min(hashing, Seconds(s));
        // A fresh engine each round, so nothing is answered from what an earlier round kept.
        vt::WaitingAnswerSink sink;
        vt::SignatureChecks checks(&sink);
        s = Clock::now();
        for (const std::string& p : paths) checks.Ask(p);
        size_t answered = 0;
        while (answered < paths.size()) {
            sink.Wait(100);
            answered += checks.TakeAnswers().size();
        }
        engine = std::min(engine, Seconds(s));
    }

    std::string list;
    for (const std::string& p : paths) {
        std::string hex = check.Sha256(p);
        for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        list += hex + "  " + p.substr(p.find_last_of('\\') + 1) + "\n";
    }
    vt::UniqueFileHandle out(
        ::CreateFileW(vt::Widen(dir + "\\hashes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(out.get(), list.data(), static_cast<DWORD>(list.size()), &written, nullptr);

    const double mb = static_cast<double>(files);
    std::printf("FileSignature::Check: %.3f s (%.0f MB/s, status \"%s\"); bare loop of its calls: %.3f s (%.0f MB/s)\n",
                ours, mb / ours, statuses.c_str(), floor, mb / floor);
    std::printf("SignatureChecks engine (its worker threads): %.3f s (%.0f MB/s)\n", engine, mb / engine);
    std::printf("CHECK_VS_BARE=%.2f (class/bare, target <= 1.15)\n", ours / floor);
    std::printf("HASH_SECONDS=%.4f (FileSignature::Sha256 over the %d files, %.0f MB/s)\n", hashing, files,
                mb / hashing);
    return 0;
}
