#include "registry/cAdvanceRegistry.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "core/AppError.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/RegistryViews.h"
#include "platform/WinText.h"
#include "registry/pure/TreeWalk.h"

namespace vt {

namespace {

// One text value of the program's version resource ("CompanyName" ...), "" when absent.
std::string VersionString(const std::vector<char>& block, const char* name) {
    std::vector<std::string> langs;
    struct LangCp {
        WORD lang, cp;
    };
    LangCp* tr = nullptr;
    UINT trLen = 0;
    if (::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &trLen) && tr &&
        trLen >= sizeof(LangCp)) {
        char buf[16];
        std::snprintf(buf, sizeof(buf), "%04x%04x", tr[0].lang, tr[0].cp);
        langs.emplace_back(buf);
    }
    langs.emplace_back("040904E4");
    langs.emplace_back("040904B0");
    for (const auto& lang : langs) {
        char* text = nullptr;
        UINT len = 0;
        std::string sub = "\\StringFileInfo\\" + lang + "\\" + name;
        if (::VerQueryValueA(block.data(), sub.c_str(), reinterpret_cast<void**>(&text), &len) && text)
            return std::string(text, ::strnlen(text, len));
    }
    return {};
}

// "Software\<company>\<product>" from this program's version information.
std::string DefaultKeyPath() {
    std::string company, product;
    std::string self = ModulePath();
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(self.c_str(), &ignored);
    if (size) {
        std::vector<char> block(size);
        if (::GetFileVersionInfoA(self.c_str(), 0, size, block.data())) {
            company = VersionString(block, "CompanyName");
            product = VersionString(block, "ProductName");
        }
    }
    return "Software\\" + company + "\\" + product;
}

bool FileExists(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramFolder() {
    std::string self = ModulePath();
    size_t slash = self.find_last_of('\\');
    return slash == std::string::npos ? std::string() : self.substr(0, slash);
}

void StartRegistryEditor(const std::string& parameters) {
    // Not waited for: the editor works on its own and reports nothing back.
    std::string folder = ProgramFolder();
    ::ShellExecuteA(nullptr, "", "regedit", parameters.c_str(), folder.empty() ? nullptr : folder.c_str(), SW_HIDE);
}

// Reads a value's type and data; false when the value cannot be read. The size is asked
// first and the buffer grows if the data grows in between.
bool QueryValue(HKEY key, const std::string& name, DWORD& type, std::string& data) {
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return false;
    for (int tries = 0; tries < 8; ++tries) {
        data.assign(size + 1, '\0');  // never a zero-length buffer
        DWORD got = size;
        rc = ::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (rc != ERROR_MORE_DATA) return false;
        size = got > size ? got : size * 2 + 256;
    }
    return false;
}

std::string ExpandEnvString(const std::string& text) {
    // The count the narrow call reports may be one of UTF-16 units rather than of bytes:
    // with UTF-8 text a buffer of that many bytes cuts the result short. The buffer leaves
    // room for multi-byte characters (within the call's 32K limit) and the result is read
    // up to its terminating NUL.
    DWORD need = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    for (int tries = 0; need && tries < 4; ++tries) {
        DWORD room = need <= 32767 / 3 ? need * 3 + 1 : (need < 32767 ? 32767 : need);
        std::string buf(room, '\0');
        DWORD n = ::ExpandEnvironmentStringsA(text.c_str(), buf.data(), room);
        if (n == 0) return {};
        if (n <= room) {
            buf.resize(::strnlen(buf.data(), room));
            return buf;
        }
        need = n;  // the environment changed between the two calls
    }
    return {};
}

}  // namespace

cAdvanceRegistry::cAdvanceRegistry() : source_(ProgramBaseName() + ".cAdvanceRegistry"), key_(DefaultKeyPath()) {}

// A connection left open closes with the instance: its handle would leak for the life of
// the process.
cAdvanceRegistry::~cAdvanceRegistry() = default;

int32_t cAdvanceRegistry::RootOf(HKEY key) noexcept {
    // Handles and the predefined roots keep their meaning in 32 bits (sign-extended).
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(key));
}

HKEY cAdvanceRegistry::ToHKey(int32_t root) noexcept { return reinterpret_cast<HKEY>(static_cast<intptr_t>(root)); }

void cAdvanceRegistry::Raise(int32_t number, const std::string& description) const {
    throw AppError(number, source_, description);
}

void cAdvanceRegistry::ClassRoot(int32_t root) {
    if (root == 0) Raise(-1, "Invalid registry class root value.");
    classRoot_ = root;
}

void cAdvanceRegistry::MachineName(const std::string& name) { machineName_ = reg::FormatMachineName(name); }

void cAdvanceRegistry::RegistryView(int32_t view) {
    if (!IsRegistryView(view)) Raise(5, "Invalid registry view value.");
    view_ = view;
}

REGSAM cAdvanceRegistry::Access(REGSAM access) const noexcept { return access | ViewAccess(view_); }

cAdvanceRegistry::Location cAdvanceRegistry::Resolve(const OptRoot& root, const OptText& key,
                                                     const OptText& name) const {
    Location loc{ToHKey(root.value_or(classRoot_)), root.value_or(classRoot_), key.value_or(key_),
                 name.value_or(valueName_)};
    if (remoteConnected_) {
        loc.root = remoteRoot_.get();
        loc.rootNumber = RootOf(remoteRoot_.get());
    }
    return loc;
}

Variant cAdvanceRegistry::Value() { return ValueEx(classRoot_, key_, valueName_); }

void cAdvanceRegistry::Value(const Variant& value) { ValueEx(classRoot_, key_, valueName_, value); }

Variant cAdvanceRegistry::ValueEx(OptRoot root, const OptText& key, const OptText& name) {
    Location loc = Resolve(root, key, name);
    UniqueHKey k;
    if (::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_QUERY_VALUE), k.put()) != ERROR_SUCCESS)
        return default_;
    DWORD type = 0;
    std::string data;
    if (!QueryValue(k.get(), loc.name, type, data)) return default_;
    dataType_ = static_cast<int32_t>(type);
    Variant v = reg::DecodeRead(type, data);
    if (type == REG_EXPAND_SZ) v = Variant(ExpandEnvString(v.Text()));
    return v;
}

void cAdvanceRegistry::ValueEx(OptRoot root, const OptText& key, const OptText& name, const Variant& value) {
    Location loc = Resolve(root, key, name);
    const int32_t type = dataType_;
    std::string bytes;
    reg::EncodeStatus status = reg::EncodeForWrite(value, type, bytes);
    // Conversion failures are found before anything is created, so they leave no trace.
    if (status == reg::EncodeStatus::UnsuitableKind)
        Raise(type, "Cannot set the specified value in the registry using the defined data type.");
    if (status == reg::EncodeStatus::Overflow) Raise(6, "Overflow");

    UniqueHKey k;
    char noClass[] = "";
    if (::RegCreateKeyExA(loc.root, loc.key.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE, Access(KEY_ALL_ACCESS),
                          nullptr, k.put(), nullptr) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open/create registry key: '" + loc.key + "' for setting new value of '" +
                                  loc.name + "' to '" + value.ToText() + "'");
    if (status == reg::EncodeStatus::UnsupportedType)
        Raise(type, "The specified data type is either invalid or not supported for write purpose.");
    ::RegSetValueExA(k.get(), loc.name.c_str(), 0, static_cast<DWORD>(type),
                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

bool cAdvanceRegistry::CreateKey(OptRoot root, const OptText& key) {
    Location loc = Resolve(root, key);
    UniqueHKey k;
    char noClass[] = "";
    if (::RegCreateKeyExA(loc.root, loc.key.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE, Access(KEY_ALL_ACCESS),
                          nullptr, k.put(), nullptr) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to create registry key: '" + loc.key + "'");
    return true;
}

bool cAdvanceRegistry::DeleteData(OptRoot root, const OptText& key, const OptText& name) {
    Location loc = Resolve(root, key, name);
    UniqueHKey k;
    if (::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_ALL_ACCESS), k.put()) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open registry key '" + loc.key + "' for delete access.");
    return ::RegDeleteValueA(k.get(), loc.name.c_str()) == ERROR_SUCCESS;
}

bool cAdvanceRegistry::DeleteKey(OptRoot root, const OptText& key) {
    Location loc = Resolve(root, key);
    std::string parent = reg::GetParentKey(loc.key);
    std::string child = reg::ChildKeyName(loc.key);
    // An empty name would make the platform delete the opened key itself: for "" that is
    // the root, so the call is refused rather than passed on.
    if (child.empty()) return false;
    UniqueHKey p;
    if (::RegOpenKeyExA(loc.root, parent.c_str(), 0, Access(KEY_ALL_ACCESS), p.put()) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open registry key '" + parent + "' for delete access.");
    // The view goes with the name too: below a root the parent alone does not choose it.
    return ::RegDeleteKeyExA(p.get(), child.c_str(), ViewAccess(view_), 0) == ERROR_SUCCESS;
}

bool cAdvanceRegistry::DeleteAllData(OptRoot root, const OptText& key) {
    int32_t r = root.value_or(classRoot_);
    std::string k = key.value_or(key_);
    std::vector<std::string> names;
    if (!EnumerateData(names, r, k)) return false;
    for (const auto& name : names) DeleteData(r, k, name);
    return true;
}

void cAdvanceRegistry::DeleteSubKeys(int32_t root, const std::string& keyPath, int& deleted) {
    std::vector<std::string> names;
    if (!EnumerateKeys(names, root, keyPath)) return;
    for (const auto& name : names)
        if (DeleteKey(root, std::string(keyPath).append("\\").append(name))) ++deleted;
}

bool cAdvanceRegistry::DeleteTree(OptRoot root, const OptText& key) {
    const int32_t r = root.value_or(classRoot_);
    const std::string keyPath = key.value_or(key_);
    if (keyPath.empty()) return false;  // never the whole content of a root
    reg::TreeWalkOps ops;
    ops.yield = [] { DoEvents(); };
    ops.deleteLeafSubKeys = [&](const std::string& path) {
        int deleted = 0;
        DeleteSubKeys(r, path, deleted);
        return deleted;
    };
    ops.enumerateKeys = [&](const std::string& path, std::vector<std::string>& names) {
        return EnumerateKeys(names, r, path);
    };
    if (!reg::ClearSubTree(keyPath, ops)) return false;
    return DeleteKey(r, keyPath);
}

bool cAdvanceRegistry::EnumerateData(std::vector<std::string>& DataArray, OptRoot root, const OptText& key) {
    Location loc = Resolve(root, key);
    UniqueHKey k;
    if (::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_QUERY_VALUE), k.put()) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open registry key '" + loc.key + "' for data query access.");
    DWORD count = 0, longest = 0;
    if (::RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS ||
        count == 0)
        return false;
    std::vector<std::string> names(count);
    // The longest length counts characters; a UTF-8 name may need up to three bytes each.
    std::vector<char> buf((size_t{longest} + 1) * 3);
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = ::RegEnumValueA(k.get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && buf.size() < 65536) {
            buf.resize(buf.size() * 2);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names[i].assign(buf.data(), len);
    }
    DataArray = std::move(names);
    return true;
}

bool cAdvanceRegistry::EnumerateKeys(std::vector<std::string>& KeyArray, OptRoot root, const OptText& key) {
    Location loc = Resolve(root, key);
    UniqueHKey k;
    if (::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS), k.put()) !=
        ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open registry key '" + loc.key + "' for key query access.");
    DWORD count = 0, longest = 0;
    if (::RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS ||
        count == 0)
        return false;
    std::vector<std::string> names(count);
    std::vector<char> buf((size_t{longest} + 1) * 3);
    for (DWORD i = 0; i < count; ++i) {
        LONG rc = ::RegEnumKeyA(k.get(), i, buf.data(), static_cast<DWORD>(buf.size()));
        if (rc == ERROR_MORE_DATA && buf.size() < 65536) {
            buf.resize(buf.size() * 2);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names[i].assign(buf.data(), ::strnlen(buf.data(), buf.size()));
    }
    KeyArray = std::move(names);
    return true;
}

bool cAdvanceRegistry::HasSubKey(OptRoot root, const OptText& key) {
    Location loc = Resolve(root, key);
    UniqueHKey k;
    if (::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_ENUMERATE_SUB_KEYS), k.put()) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open registry key '" + loc.key + "' for enumerate subkeys access.");
    // A name too long for the buffer still proves that a subkey is there.
    char name[1024];
    LONG rc = ::RegEnumKeyA(k.get(), 0, name, sizeof(name));
    return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
}

bool cAdvanceRegistry::KeyExists(OptRoot root, const OptText& key) {
    Location loc = Resolve(root, key);
    UniqueHKey k;
    LONG rc = ::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_QUERY_VALUE), k.put());
    // Refused access still proves the key is there.
    return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED;
}

bool cAdvanceRegistry::ValueNameExists(OptRoot root, const OptText& key, const OptText& name) {
    Location loc = Resolve(root, key, name);
    UniqueHKey k;
    if (::RegOpenKeyExA(loc.root, loc.key.c_str(), 0, Access(KEY_QUERY_VALUE), k.put()) != ERROR_SUCCESS)
        Raise(loc.rootNumber, "Unable to open registry key '" + loc.key + "' for key query access.");
    DWORD size = 0;
    LONG rc = ::RegQueryValueExA(k.get(), loc.name.c_str(), nullptr, nullptr, nullptr, &size);
    return rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
}

void cAdvanceRegistry::Export(const std::string& File, bool Overwrite, const std::optional<Variant>& root,
                              const OptText& key) {
    if (!Overwrite && FileExists(File)) return;
    std::string k = key.value_or(key_);
    Variant r = root.value_or(Variant(classRoot_));
    std::string rootName;
    int32_t number = 0;
    switch (reg::ExportRootName(r, rootName, number)) {
    case reg::RootNameStatus::Ok: break;
    case reg::RootNameStatus::NotAccepted: Raise(-1, "Registry root class not accepted.");
    case reg::RootNameStatus::NotSupported: Raise(number, "Registry root class not supported.");
    case reg::RootNameStatus::Overflow: Raise(6, "Overflow");
    }
    StartRegistryEditor(reg::ExportParameters(File, rootName, k));
}

void cAdvanceRegistry::Import(const std::string& File) {
    std::string file = reg::TrimSpaces(File);
    if (!FileExists(file)) Raise(kErrFileNotFound, kTextFileNotFound);
    StartRegistryEditor(reg::ImportParameters(file));
}

bool cAdvanceRegistry::RemoteConnect(const OptText& machine, OptRoot root) {
    std::string name = machine.value_or(machineName_);
    int32_t r = root.value_or(classRoot_);
    UniqueHKey h;
    if (::RegConnectRegistryA(name.c_str(), ToHKey(r), h.put()) != ERROR_SUCCESS)
        Raise(r, "Unable to establish remote registry connection: '" + name + "'");
    // A handle of an earlier connection is closed, not leaked.
    remoteRoot_ = std::move(h);
    remoteClassRoot_ = r;
    remoteConnected_ = true;
    return true;
}

bool cAdvanceRegistry::RemoteDisconnect() {
    if (!remoteConnected_) return false;
    // The closed handle is not kept: its number could come back for another key, and key
    // operations must fail until a new connection is made.
    remoteRoot_.reset();
    UniqueHKey check;
    if (::RegConnectRegistryA("", ToHKey(remoteClassRoot_), check.put()) != ERROR_SUCCESS)
        Raise(remoteClassRoot_, "Unable to disconnect from remote registry connection.");
    remoteClassRoot_ = 0;
    remoteConnected_ = false;
    return true;
}

}  // namespace vt
