// One row of the other autostart places (services, Winlogon, image hijacks ...): what the
// list shows and the console program writes, and where the entry lives, so its removal
// can find it again; and the texts the removal's questions and answers use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

struct AutostartRow {
    std::string name;             // the value's name, the service's name, the hijacked program
    std::string command;          // the command line or image path as stored; a list's program alone
    std::string category;         // the place's console name ("service", "winlogon" ...)
    std::string type;             // the place's "Tipo" text
    std::string location;         // "HKLM\System\CurrentControlSet\Services\<name>", "HKCU\Software\..."
    std::string view = "native";  // the registry view the entry was read through: "native" or "32"
    std::string file;             // the program file the row grades (a shared host's ServiceDll)
    std::string lookupName;       // that file's bare name, for the reputation service
    bool disabled = false;        // a disabled service, AppInit_DLLs turned off, a component not installed
    int32_t grade = 0;
    bool impostor = false;      // the file has a system program's name outside the Windows folder
    bool windowsEntry = false;  // Windows' own: never removed nor disabled from here

    // Where the entry lives, for its removal.
    size_t place = 0;          // its line in AutostartPlaces()
    int32_t root = 0;          // a predefined root
    std::string key;           // below the root (a service's own key for a service)
    int32_t registryView = 0;  // 0 the program's own view, 32 or 64
    std::string valueName;     // the value that holds the entry ("" for a service)
    int32_t listIndex = -1;    // the program's place in its list value; -1 for a whole value
    std::string serviceName;   // for a service or a driver
    uint32_t startType = 0;    // the service's start type when it was read (0 boot ... 4 disabled)
    uint32_t valueType = 0;    // the value's registry type when it was read
};

// The removal's questions and answers, for the window that asks them.
inline constexpr std::string_view kAutostartRemoveTitle = "Elimina voce";
inline constexpr std::string_view kAutostartFileTitle = "Elimina file";
inline constexpr std::string_view kWindowsEntryText =
    "Questa voce fa parte di Windows: rimuoverla pu\xc3\xb2 impedire l'avvio del PC.";

inline std::string RemoveEntryQuestion(std::string_view name) {
    return "Sei sicuro di voler rimuovere la voce di avvio " + std::string(name) + "?";
}
inline std::string DisableServiceQuestion(std::string_view name) {
    return "Vuoi disattivare il servizio " + std::string(name) +
           "? Non verr\xc3\xa0 pi\xc3\xb9 avviato all'accensione del PC.";
}
inline std::string DeleteFileQuestion(std::string_view path) {
    return "Vuoi anche eliminare il file " + std::string(path) + " dal PC?";
}
// No copy could be saved, so nothing was changed.
inline std::string BackupFailedText(std::string_view name, std::string_view file, std::string_view reason) {
    return "Impossibile salvare una copia della voce " + std::string(name) + " in " + std::string(file) + ": " +
           std::string(reason) + ".\r\nLa voce non \xc3\xa8 stata rimossa.";
}
// The copy was saved and the system refused the change.
inline std::string ChangeFailedText(std::string_view name, std::string_view reason) {
    return "Impossibile rimuovere la voce " + std::string(name) + ": " + std::string(reason);
}
// The entry is no longer what the list shows (gone, or changed since the scan).
inline std::string EntryChangedText(std::string_view name) {
    return "La voce " + std::string(name) +
           " non \xc3\xa8 pi\xc3\xb9 quella elencata: l'elenco viene aggiornato e nulla \xc3\xa8 stato modificato.";
}

}  // namespace vt
