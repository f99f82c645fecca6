// Removing a startup entry: the registry value or the startup-folder file goes, and on a
// further Yes the program's file too, after its process (from that folder) has ended.
#include "core/CaseMap.h"
#include "core/CommandLine.h"
#include "core/PathText.h"
#include "core/Wildcard.h"
#include "mainwindow/FileDisposal.h"
#include "mainwindow/Form1.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/ErrorBoundary.h"
#include "platform/FileRemoval.h"
#include "platform/RegistryViews.h"
#include "platform/SpecialFolder.h"
#include "platform/WinText.h"
#include "registry/RegistryBackup.h"
#include "registry/StartupApproved.h"
#include "reputation/Module1.h"
#include "scanners/pure/ProcessPath.h"

namespace vt {

namespace {
constexpr UINT kQuestionStyle = MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2;            // 307
constexpr UINT kSearchQuestionStyle = MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2;  // 323
}  // namespace

void Form1::Command3_Click() {
    const StartupRow* record = StartupRecord(listView2_.SelectedRow());
    if (!record) return;
    // Copies: the question pumps messages, and a scan meanwhile replaces the records.
    const std::string name = record->name;
    const std::string p = record->command;
    const std::string code = record->code;
    if (Ask("Sei sicuro di voler rimuovere la voce di avvio " + name + "?", "Elimina voce", kQuestionStyle) != IDYES)
        return;

    DecodedCode decoded = DecodeStartupCode(code);
    std::string folder;
    if (decoded.folderId) folder = SpecialFolder(decoded.folderId);
    if (!folder.empty()) {
        RemoveFolderEntry(name, p, folder, decoded);
        return;
    }
    // Without a key path nothing is deleted: an empty path would address the root itself.
    if (decoded.key.empty() || decoded.root == 0) return;
    RemoveRegistryEntry(decoded, name);
}

void Form1::ForgetStartupApproval(const DecodedCode& decoded, const std::string& name) {
    const ApprovalPlace place = ApprovalPlaceFor(decoded, Is32BitView(decoded.view));
    if (place.list.empty()) return;
    DeleteStartupApproval(place.root, place.list, name);
}

void Form1::RemoveFolderEntry(const std::string& name, const std::string& p, const std::string& folder,
                              const DecodedCode& decoded) {
    if (GetFolderPath(p).empty() && GetFileExtension(p) != "lnk") {
        // A plain file, listed by its name.
        TerminateAndDeleteFile(p, folder);
    } else {
        // A shortcut: p is its target.
        const std::string shortcut = fso_.BuildPath(folder, name);
        // A shortcut to a script host runs the script its arguments name: read them while
        // the shortcut is still there.
        std::optional<std::string> script;
        const bool host = IsScriptHost(p);
        if (host) {
            std::string target, workDir, args, iconFile;
            int32_t iconIndex = 0, showCmd = 0;
            Guarded("reading the shortcut to remove", [&] {
                if (shellLink_ &&
                    shellLink_->GetShellLinkInfo(shortcut, target, workDir, args, iconFile, iconIndex, showCmd))
                    script = PickScriptFile(SplitCommandLine("\"" + p + "\" " + args), [&](const std::string& f) {
                        return fso_.FileExists(f) && !IsSystemFile(f);
                    });
            });
        }
        DeleteOrReport(shortcut);
        const std::string installer = GetEnv("SystemRoot") + "\\Installer\\*";
        if (host) {
            if (script &&
                Ask("Vuoi anche eliminare il file " + *script + " dal PC?", "Elimina file", kQuestionStyle) == IDYES)
                TerminateAndDeleteFile(fso_.GetFileName(*script), GetFolderPath(*script));
        } else if (fso_.FileExists(p) && !WildcardMatch(GetFolderPath(p), installer) && !IsSystemFile(p) &&
                   Ask("Vuoi anche eliminare il file " + p + " dal PC?", "Elimina file", kQuestionStyle) == IDYES) {
            TerminateAndDeleteFile(GetCommandFileName(p), GetFolderPath(p));
        }
    }
    // The record goes with the entry's file, and only then: a file left in the folder
    // still starts, and keeps its state.
    if (!fso_.FileExists(fso_.BuildPath(folder, name))) ForgetStartupApproval(decoded, name);
    RefreshStartupList();
}

void Form1::RemoveRegistryEntry(const DecodedCode& decoded, const std::string& name) {
    const int32_t root = decoded.root;
    const std::string& key = decoded.key;
    std::string data;
    // Every step in the row's own view: a "...32" row names the 32-bit value, never a
    // same-named value of the native view.
    Guarded("reading the value to remove", [&] {
        RegistryViewScope<cAdvanceRegistry> inView(*registry_, decoded.view);
        data = registry_->ValueEx(root, key, name).ToText();
    });
    std::string c = GetCommandProgramPath(StripQuotes(data));
    if (!SaveBeforeDelete(root, key, Is32BitView(decoded.view), name)) return;
    bool deleted = false;
    Guarded("removing a startup value", [&] {
        RegistryViewScope<cScanRegistry> inView(*SCANREG, decoded.view);
        deleted = SCANREG->DeleteValue(root, key, name);
    });
    if (!deleted) return;
    ForgetStartupApproval(decoded, name);

    // The launcher of DLL entries is never offered for deletion.
    bool launcher = WildcardMatch(data, "rundll32.exe *") || WildcardMatch(data, "RUNDLL32.exe *");
    if (!launcher && FileToOffer(data, c) &&
        Ask("Vuoi anche eliminare il file " + c + " dal PC?", "Elimina file", kQuestionStyle) == IDYES) {
        // Only a path with a folder is taken as it stands; a bare name that happens to
        // exist in the current folder is not the file the entry starts, so it is looked
        // for along the search path instead.
        if (!GetFolderPath(c).empty() && fso_.FileExists(c)) {
            Ask(fso_.GetFileName(c) + "  " + GetFolderPath(c), kProgramTitle, MB_OK);
            TerminateAndDeleteFile(fso_.GetFileName(c), GetFolderPath(c));
        } else if (!c.empty()) {
            for (const std::string& d : SearchPathFolders(GetEnv("path"))) {
                const std::string joined = fso_.BuildPath(d, c);
                if (!fso_.FileExists(joined) || IsSystemFile(joined)) continue;
                if (Ask("Sar\xc3\xa0 eliminato il file " + joined + " Ok?", "Elimina file", kSearchQuestionStyle) ==
                    IDYES) {
                    TerminateAndDeleteFile(c, d);
                    break;
                }
            }
        }
    }
    RefreshStartupList();
}

bool Form1::SaveBeforeDelete(int32_t root, const std::string& key, bool view32, const std::string& name) {
    std::string file, reason;
    BackupResult saved = BackupResult::Failed;
    Guarded("saving the value before removal",
            [&] { saved = BackupRegistryValue(root, key, view32, name, file, reason); });
    // A value that is not there is not deleted either: that failure stays as quiet as before.
    if (saved != BackupResult::Failed) return true;
    Ask("Impossibile salvare una copia della voce " + name + " in " + file + ": " + reason +
            ".\r\nLa voce non \xc3\xa8 stata rimossa.",
        "Elimina voce", MB_OK | MB_ICONWARNING);
    return false;
}

bool Form1::FileToOffer(const std::string& data, std::string& c) {
    // A host's own file is the system's; what it runs is the file the entry starts.
    const CommandLine command = SplitCommandLine(data);
    if (IsScriptHost(command.program)) {
        auto script =
            PickScriptFile(command, [&](const std::string& p) { return fso_.FileExists(p) && !IsSystemFile(p); });
        if (!script) return false;
        c = *script;
        return true;
    }
    if (!GetFolderPath(c).empty()) return !IsSystemFile(c);
    // A bare name is looked for along the search path; when every file found there is the
    // system's, there is nothing to offer.
    bool found = false;
    if (c.empty()) return true;
    for (const std::string& d : SearchPathFolders(GetEnv("path"))) {
        const std::string joined = fso_.BuildPath(d, c);
        if (!fso_.FileExists(joined)) continue;
        if (!IsSystemFile(joined)) return true;
        found = true;
    }
    return !found;
}

void Form1::TerminateAndDeleteFile(const std::string& n, std::string f) {
    // Nothing ends on the way to a deletion that is not going to happen.
    bool systemFile = false;
    Guarded("checking for a system file", [&] { systemFile = IsSystemFile(fso_.BuildPath(f, n)); });
    if (systemFile) return;
    // Each step on its own: a rescan that fails leaves the search and the deletion to run.
    Guarded("process scan before a removal", [&] { StartProcessScan(); });
    // The list may not hold every process running now: a scan already on the stack only
    // queues its rescan, and a click can cut a rescan short. The search reads the
    // process table itself, in the list's order and by the list's rules.
    std::optional<RunningProcess> found;
    Guarded("looking for the program's process", [&] { found = FindRunningProcess(n); });
    if (f.empty() || f.back() != '\\') f += '\\';
    if (found) Ask(found->folder + "   " + f, kProgramTitle, MB_OK);
    if (found && found->folder == f && SCANPROC) {
        int32_t id = found->id;
        SCANPROC->TerminateProcess(id);
    }
    // Let an ended process release its file.
    clock_.Sleep(1000);
    const std::string path = fso_.BuildPath(f, n);
    Ask(path, kProgramTitle, MB_OK);
    DeleteOrReport(path);
}

std::optional<Form1::RunningProcess> Form1::FindRunningProcess(const std::string& n) {
    SystemProcessTable live;
    IProcessTable& table = seams_.processTable ? *seams_.processTable : live;
    const bool systemRows = ControlRef(Control(IDC_CHECK1)).Checked();
    std::unique_ptr<IProcessWalk> walk = table.Snapshot();
    if (!walk) return std::nullopt;
    const std::string wanted = LowerText(n);
    for (ProcessEntry e; walk->Next(e);) {
        if (LowerText(e.exeFile) != wanted) continue;
        std::optional<std::string> full = ProcessModulePath(table, e.id);
        std::string folder = full ? ModuleFolder(*full) : std::string();
        // A process without a readable path is a row only when system processes are shown.
        if (folder.empty() && !systemRows) continue;
        return RunningProcess{folder.empty() ? "SYSTEM" : folder, e.id};
    }
    return std::nullopt;
}

bool Form1::DeleteOrReport(const std::string& path) {
    std::string reason;
    switch (DisposeOfFile(path, Asker(), &reason)) {
    case Disposal::Gone:
    case Disposal::Scheduled: return true;
    case Disposal::Kept:
    case Disposal::Reported: return false;
    case Disposal::Failed: break;
    }
    Ask("Impossibile eliminare il file " + path + ".\r\n" + reason, kProgramTitle, MB_OK | MB_ICONWARNING);
    return false;
}

}  // namespace vt
