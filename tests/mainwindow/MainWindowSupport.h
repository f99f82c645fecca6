// Drives the real main window in-process: creates it with a scripted prompt, and reads
// its lists and controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "mainwindow/Form1.h"
#include "platform/Handles.h"
#include "reputation/Module1.h"
#include "scanners/cScanProcesses.h"
#include "support/TestSupport.h"

namespace vt::test {

// The live process table, except that chosen processes have no readable path (as system
// processes of other users have on Windows).
class PartlyHiddenTable : public IProcessTable {
public:
    std::set<int32_t> hidden;
    std::unique_ptr<IProcessWalk> Snapshot() override { return live_.Snapshot(); }
    std::optional<std::string> MainModuleFileName(int32_t id) override {
        if (hidden.count(id)) return std::nullopt;
        return live_.MainModuleFileName(id);
    }
    std::string WindowsFolder() override { return live_.WindowsFolder(); }

private:
    SystemProcessTable live_;
};

// The real main window, loaded with a scripted prompt (the first process scan has run).
struct OpenForm {
    explicit OpenForm(IClock* clock = nullptr, IProcessTable* table = nullptr) {
        LookupErrorShown = false;
        Form1::Seams seams;
        seams.prompt = &prompt;
        seams.clock = clock;
        seams.processTable = table;
        form = std::make_unique<Form1>(seams);
        loaded = form->Load();
    }
    ScriptedPrompt prompt;
    std::unique_ptr<Form1> form;
    bool loaded = false;
};

inline int RowImage(ListView& list, int row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ::SendMessageA(list.hwnd(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

inline int FindRow(ListView& list, const std::string& text) {
    for (int i = 0; i < list.Count(); ++i)
        if (list.Text(i, 0) == text) return i;
    return -1;
}

inline void Click(HWND button) { ::SendMessageA(button, BM_CLICK, 0, 0); }

inline bool ProcessAlive(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

}  // namespace vt::test
