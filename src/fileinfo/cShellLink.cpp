#include "fileinfo/cShellLink.h"

#include <algorithm>
#include <string>

#include "core/AppError.h"
#include "fileinfo/mShellLink.h"
#include "fileinfo/pure/LinkCheck.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

namespace vt {

namespace {

ComPtr<IShellLinkA> CreateLinkObject(HRESULT& hr) {
    ComPtr<IShellLinkA> link;
    hr = ::CoCreateInstance(mShellLink::kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, mShellLink::kIidShellLinkA,
                            link.put_void());
    return link;
}

// Reads one text of the link through the fixed buffer; the caller's string is only
// replaced when the read succeeded.
template <typename Read>
bool ReadText(std::string& out, Read read) {
    char buf[mShellLink::kLinkTextBuffer] = {};
    if (FAILED(read(buf, mShellLink::kLinkTextBuffer))) return false;
    buf[mShellLink::kLinkTextBuffer - 1] = 0;
    out = buf;
    return true;
}

std::string TrimSpaces(const char* text) {
    std::string s(text);
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

bool cShellLink::GetSystemFolderPath(HWND hwnd, int32_t Id, std::string& sfPath) {
    UniqueCoTaskMem pidl;
    if (::SHGetSpecialFolderLocation(hwnd, Id, reinterpret_cast<PIDLIST_ABSOLUTE*>(pidl.put())) != S_OK || !pidl)
        return false;
    char buf[MAX_PATH] = {};
    if (::SHGetPathFromIDListA(static_cast<PCIDLIST_ABSOLUTE>(pidl.get()), buf) != TRUE) return false;
    buf[MAX_PATH - 1] = 0;
    std::string path = TrimSpaces(buf);
    if (!path.empty()) sfPath = std::move(path);
    return true;
}

bool cShellLink::CreateShellLink(const std::string& LnkFile, const std::string& ExeFile, const std::string& WorkDir,
                                 const std::string& ExeArgs, const std::string& IconFile, int32_t IconIdx,
                                 int32_t ShowCmd) {
    if (LnkFile.empty() || ExeFile.empty()) return false;
    HRESULT hr = E_FAIL;
    ComPtr<IShellLinkA> link = CreateLinkObject(hr);
    if (FAILED(hr) || !link) return false;
    if (FAILED(link->SetPath(ExeFile.c_str()))) return false;
    if (!WorkDir.empty() && FAILED(link->SetWorkingDirectory(WorkDir.c_str()))) return false;
    if (!ExeArgs.empty() && FAILED(link->SetArguments(ExeArgs.c_str()))) return false;
    if (!IconFile.empty() && FAILED(link->SetIconLocation(IconFile.c_str(), IconIdx))) return false;
    if (FAILED(link->SetDescription(mShellLink::kLinkDescription))) return false;
    if (FAILED(link->SetShowCmd(ShowCmd))) return false;
    if (FAILED(link->Resolve(nullptr, mShellLink::kResolveUpdate))) return false;
    ComPtr<IPersistFile> file = link.As<IPersistFile>(mShellLink::kIidPersistFile);
    if (!file) return false;
    std::wstring name = Widen(LnkFile);
    return SUCCEEDED(file->Save(name.c_str(), FALSE));
}

namespace {

// A file that cannot be read here is left to the shell, which then fails on its own.
bool ItemListSound(const std::wstring& name) {
    UniqueFileHandle f(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!f || !::GetFileSizeEx(f.get(), &size)) return true;
    std::string start(std::min<size_t>(kLinkCheckBytes, static_cast<size_t>(size.QuadPart)), '\0');
    DWORD got = 0;
    if (!start.empty() && !::ReadFile(f.get(), start.data(), static_cast<DWORD>(start.size()), &got, nullptr))
        return true;
    start.resize(got);
    return LinkItemListSound(start, static_cast<size_t>(size.QuadPart));
}

}  // namespace

bool cShellLink::GetShellLinkInfo(const std::string& LnkFile, std::string& ExeFile, std::string& WorkDir,
                                  std::string& ExeArgs, std::string& IconFile, int32_t& IconIdx, int32_t& ShowCmd) {
    if (LnkFile.empty()) return false;
    HRESULT hr = E_FAIL;
    ComPtr<IShellLinkA> link = CreateLinkObject(hr);
    if (FAILED(hr) || !link)
        throw AppError(static_cast<int32_t>(hr), ProgramBaseName() + ".cShellLink",
                       SystemErrorText(static_cast<DWORD>(hr)));

    ComPtr<IPersistFile> file = link.As<IPersistFile>(mShellLink::kIidPersistFile);
    if (!file) return false;
    std::wstring name = Widen(LnkFile);
    if (!ItemListSound(name)) return false;
    if (FAILED(file->Load(name.c_str(), mShellLink::kLoadForReading))) return false;

    WIN32_FIND_DATAA fd{};
    if (!ReadText(ExeFile, [&](char* b, int n) { return link->GetPath(b, n, &fd, mShellLink::kGetPathUncPriority); }))
        return false;
    if (!ReadText(WorkDir, [&](char* b, int n) { return link->GetWorkingDirectory(b, n); })) return false;
    if (!ReadText(ExeArgs, [&](char* b, int n) { return link->GetArguments(b, n); })) return false;
    int icon = 0;
    if (!ReadText(IconFile, [&](char* b, int n) { return link->GetIconLocation(b, n, &icon); })) return false;
    IconIdx = icon;
    int show = 0;
    if (FAILED(link->GetShowCmd(&show))) return false;
    ShowCmd = show;
    return true;
}

}  // namespace vt
