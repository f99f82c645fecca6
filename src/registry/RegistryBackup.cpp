#include "registry/RegistryBackup.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/Handles.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/ValueBytes.h"
#include "registry/pure/RegFile.h"

namespace vt {

namespace {

HKEY RootKey(int32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root)); }

std::string Reason(const std::string& what, DWORD error) { return what + ": " + SystemErrorText(error); }

bool WriteAll(HANDLE file, const void* data, size_t size, DWORD& error) {
    const auto* p = static_cast<const BYTE*>(data);
    while (size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, p, chunk, &written, nullptr) || written == 0) {
            error = ::GetLastError();
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

}  // namespace

std::string BackupFolder() {
    // The variable first: it is what the user's session (and a test) says.
    std::wstring base = Widen(GetEnv("LOCALAPPDATA"));
    if (base.empty()) {
        wchar_t buf[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
        base = buf;
    }
    if (base.empty()) return {};
    if (base.back() != L'\\') base += L'\\';
    return Narrow(base) + "Vantorile\\Backup";
}

BackupResult BackupRegistryValue(int32_t root, const std::string& key, bool view32, const std::string& name,
                                 std::string& file, std::string& reason) {
    reg::StoredValue value;
    value.root = root;
    value.key = key;
    value.view32 = view32;
    value.name = name;

    UniqueHKey k;
    REGSAM access = KEY_QUERY_VALUE | ViewAccess(view32 ? kRegistryView32 : kRegistryView64);
    if (LSTATUS rc = ::RegOpenKeyExW(RootKey(root), Widen(key).c_str(), 0, access, k.put()); rc != ERROR_SUCCESS) {
        reason = Reason("impossibile aprire la chiave", static_cast<DWORD>(rc));
        return rc == ERROR_FILE_NOT_FOUND ? BackupResult::Missing : BackupResult::Failed;
    }
    DWORD type = 0;
    if (LSTATUS rc = QueryValueBytes(k.get(), Widen(name), type, value.data); rc != ERROR_SUCCESS) {
        reason = Reason("impossibile leggere il valore", static_cast<DWORD>(rc));
        return rc == ERROR_FILE_NOT_FOUND ? BackupResult::Missing : BackupResult::Failed;
    }
    value.type = type;

    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char stamp[128];
    std::snprintf(stamp, sizeof stamp, "Rimossa da Vantorile il %04u-%02u-%02u alle %02u:%02u:%02u%s",
                  unsigned{now.wYear}, unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour},
                  unsigned{now.wMinute}, unsigned{now.wSecond}, view32 ? " (vista a 32 bit del registro)" : "");
    std::optional<std::u16string> entry = reg::RegFileEntry(value, stamp);

    const std::string folder = BackupFolder();
    file = folder.empty() ? reg::BackupFileName(now.wYear, now.wMonth, now.wDay)
                          : folder + "\\" + reg::BackupFileName(now.wYear, now.wMonth, now.wDay);
    if (!entry) {
        reason = reg::FitsOnOneLine(value.key) && reg::FitsOnOneLine(value.name)
                     ? "la radice del registro non ha un nome nei file di esportazione"
                     : "il nome contiene un a capo, che i file di esportazione non possono contenere";
        return BackupResult::Failed;
    }
    if (folder.empty()) {
        reason = "il sistema non indica la cartella dei dati locali delle applicazioni";
        return BackupResult::Failed;
    }
    int made = ::SHCreateDirectoryExW(nullptr, Widen(folder).c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        reason = Reason("impossibile creare la cartella " + folder, static_cast<DWORD>(made));
        return BackupResult::Failed;
    }
    UniqueFileHandle out(::CreateFileW(Widen(file).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) {
        reason = Reason("impossibile aprire il file", ::GetLastError());
        return BackupResult::Failed;
    }
    LARGE_INTEGER size{};
    DWORD error = 0;
    if (!::GetFileSizeEx(out.get(), &size) || !::SetFilePointerEx(out.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
        reason = Reason("impossibile scrivere il file", ::GetLastError());
        return BackupResult::Failed;
    }
    std::u16string text;
    if (size.QuadPart == 0) text = u"\xFEFF" + reg::RegFileHeader();
    text += *entry;
    // The file is UTF-16LE, as the registry editor writes it; this target is little-endian.
    if (!WriteAll(out.get(), text.data(), text.size() * sizeof(char16_t), error) || !::FlushFileBuffers(out.get())) {
        reason = Reason("impossibile scrivere il file", error ? error : ::GetLastError());
        return BackupResult::Failed;
    }
    return BackupResult::Saved;
}

}  // namespace vt
