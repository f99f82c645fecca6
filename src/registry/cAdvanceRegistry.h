// The program's general registry class: typed reads and writes of values, key creation,
// deletion, enumeration and existence tests at a location held in properties, export
// and import through the registry editor, and binding to another computer's registry.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Variant.h"
#include "platform/Handles.h"
#include "registry/pure/RegistryData.h"

namespace vt {

// Every parameter left as std::nullopt falls back to the property of the same name.
// Roots are the predefined numbers of vt::reg (kCurrentUser ...) or an open key handle
// turned into a number by RootOf. Failures to open, create or connect are thrown as
// vt::AppError; a Boolean result only reports the registry operation itself.
class cAdvanceRegistry {
public:
    using OptRoot = std::optional<int32_t>;
    using OptText = std::optional<std::string>;

    cAdvanceRegistry();
    ~cAdvanceRegistry();
    cAdvanceRegistry(const cAdvanceRegistry&) = delete;
    cAdvanceRegistry& operator=(const cAdvanceRegistry&) = delete;

    // An open key handle as a root number, and back.
    static int32_t RootOf(HKEY key) noexcept;
    static HKEY ToHKey(int32_t root) noexcept;

    int32_t ClassRoot() const noexcept { return classRoot_; }
    void ClassRoot(int32_t root);  // 0 is refused (error -1)
    int32_t DataType() const noexcept { return dataType_; }
    void DataType(int32_t type) noexcept { dataType_ = type; }
    Variant Default() const { return default_; }
    void Default(Variant value) { default_ = std::move(value); }
    const std::string& Key() const noexcept { return key_; }
    void Key(std::string key) { key_ = std::move(key); }
    const std::string& MachineName() const noexcept { return machineName_; }
    void MachineName(const std::string& name);  // "\\" is put in front of a bare computer name
    const std::string& ValueName() const noexcept { return valueName_; }
    void ValueName(std::string name) { valueName_ = std::move(name); }
    // The registry view every key operation works in: 0 the program's own (at creation),
    // 32 or 64. Any other number is refused (error 5) and the view stays. Export and
    // Import hand their work to the registry editor, which keeps its own view.
    int32_t RegistryView() const noexcept { return view_; }
    void RegistryView(int32_t view);

    // The value at the stored location.
    Variant Value();
    void Value(const Variant& value);

    // Read: the value's data, or a copy of Default when it cannot be read (DataType then
    // keeps its value; otherwise it becomes the type read). Never throws for registry
    // failures.
    Variant ValueEx(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt,
                    const OptText& ValueName = std::nullopt);
    // Write: creates the key when missing and stores `Value` converted to DataType.
    void ValueEx(OptRoot ClassRoot, const OptText& Key, const OptText& ValueName, const Variant& Value);

    bool CreateKey(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt);
    bool DeleteAllData(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt);
    bool DeleteData(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt,
                    const OptText& ValueName = std::nullopt);
    bool DeleteKey(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt);
    bool DeleteTree(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt);
    // The arrays are replaced only when the key has values / subkeys (result True).
    bool EnumerateData(std::vector<std::string>& DataArray, OptRoot ClassRoot = std::nullopt,
                       const OptText& Key = std::nullopt);
    bool EnumerateKeys(std::vector<std::string>& KeyArray, OptRoot ClassRoot = std::nullopt,
                       const OptText& Key = std::nullopt);
    bool HasSubKey(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt);
    bool KeyExists(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt);
    bool ValueNameExists(OptRoot ClassRoot = std::nullopt, const OptText& Key = std::nullopt,
                         const OptText& ValueName = std::nullopt);

    // Start the registry editor and return without waiting for it. Export's root may be
    // a number or a root name written out; the remote connection does not apply.
    void Export(const std::string& File, bool Overwrite, const std::optional<Variant>& ClassRoot = std::nullopt,
                const OptText& Key = std::nullopt);
    void Import(const std::string& File);

    bool RemoteConnect(const OptText& MachineName = std::nullopt, OptRoot ClassRoot = std::nullopt);
    bool RemoteDisconnect();

    // The source text of every error this class raises.
    const std::string& ErrorSource() const noexcept { return source_; }

private:
    struct Location {
        HKEY root;           // after the remote substitution
        int32_t rootNumber;  // the same, as the number errors carry
        std::string key;
        std::string name;
    };
    Location Resolve(const OptRoot& root, const OptText& key, const OptText& name = std::nullopt) const;
    [[noreturn]] void Raise(int32_t number, const std::string& description) const;
    void DeleteSubKeys(int32_t root, const std::string& keyPath, int& deleted);
    // `access` in the instance's view.
    REGSAM Access(REGSAM access) const noexcept;

    std::string source_;
    int32_t classRoot_ = reg::kCurrentUser;
    int32_t dataType_ = reg::kSz;
    Variant default_;
    std::string key_;
    std::string machineName_;
    int32_t remoteClassRoot_ = 0;
    bool remoteConnected_ = false;
    UniqueHKey remoteRoot_;
    std::string valueName_;
    int32_t view_ = 0;
};

}  // namespace vt
