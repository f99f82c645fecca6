// The places beyond the Run keys and the startup folders from which Windows starts
// programs (services and drivers, Winlogon, image hijacks, AppInit_DLLs ...), as one table
// in the order they are listed; and the rule that keeps the entries Windows needs to start
// out of reach of the removal.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

inline constexpr int32_t kRootCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kRootLocalMachine = static_cast<int32_t>(0x80000002u);
// Where the services' and the drivers' keys live, below HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kServicesKey = "System\\CurrentControlSet\\Services";

enum class PlaceKind {
    Services,      // the service control manager's Win32 services; `key` is where their keys live
    Drivers,       // its drivers, the same way
    Values,        // the named values of the key
    AllValues,     // every value of the key
    SubkeyValues,  // every value of each subkey of the key
    SubkeyValue,   // the one named value of each subkey of the key, the row named after the subkey
};

// How one value holds several programs, each of them a row of its own.
enum class ListForm {
    None,            // one program (a command line)
    Commas,          // Userinit: programs between commas
    BlanksOrCommas,  // AppInit_DLLs: libraries between blanks or commas
    MultiString,     // BootExecute: one program per string of a REG_MULTI_SZ
};

struct PlaceValue {
    std::string_view name;
    ListForm list = ListForm::None;
    // What a removal writes back instead of deleting the value (the system's own value,
    // without which Windows cannot sign in); "" when the value is simply deleted.
    std::string_view systemValue = {};
    // A list item of the system's own that is never listed (BootExecute's disk check).
    std::string_view defaultItem = {};
};

struct AutostartPlace {
    std::string_view category;  // the console's name of the place
    std::string_view type;      // the list's "Tipo" text
    int32_t root = 0;           // a predefined root
    std::string_view key;       // below the root
    PlaceKind kind = PlaceKind::Values;
    std::vector<PlaceValue> values = {};  // Values: the names read; SubkeyValue: the one name
    // The place has a key of its own in each registry view of a 64-bit system (programs
    // of either kind read theirs), rather than being read by the system's native programs
    // or kept outside the redirected part of the registry.
    bool bothViews = false;
    // An entry of Windows here (its program in the Windows folder, or the system's own
    // value) may stop the PC from starting: it is never removed nor disabled.
    bool windowsRail = false;
    // A number beside the entry that turns it off when 0: LoadAppInit_DLLs next to
    // AppInit_DLLs, IsInstalled in an Active Setup component's key.
    std::string_view switchValue = {};
    // Rows of a subkey are named after the subkey's default value when it has one (an
    // Active Setup component's name) rather than after the subkey.
    bool titledSubkeys = false;
};

// The places in the order they are scanned and listed.
const std::vector<AutostartPlace>& AutostartPlaces();

// The value of the place with that name, or null.
const PlaceValue* FindPlaceValue(const AutostartPlace& place, std::string_view name);

// Whether a file exists (the scan asks the file system; tests answer from a table).
using FileExists = std::function<bool(const std::string&)>;

// Whether removing or disabling the entry could stop Windows from starting: in a place
// with the rail, a value that has a system value is Windows' own when its program is
// the system value's (for a list, one of the system value's programs); any other entry
// is Windows' own when its file lies in the Windows folder. `command` is the entry's
// command as stored (for a list item, the item), `file` the program it runs.
bool IsWindowsEntry(const AutostartPlace& place, const PlaceValue* value, bool listItem, std::string_view command,
                    std::string_view file, std::string_view windowsFolder, const FileExists& exists = {});

}  // namespace vt
