// The process panel: the list filled from the process scanner, rescans, the system
// process option, and ending a process with the optional deletion of its file.
#include <utility>

#include "core/ScopeExit.h"
#include "core/Twips.h"
#include "inventory/pure/Rows.h"
#include "mainwindow/Form1.h"
#include "mainwindow/pure/ListColumns.h"
#include "mainwindow/Impostors.h"
#include "platform/FileRemoval.h"
#include "reputation/Module1.h"

namespace vt {

namespace {

constexpr UINT kQuestionStyle = MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2;  // 307
constexpr COLORREF kBlue = RGB(0, 0, 255);

}  // namespace

void Form1::BuildProcessPanel() {
    RECT none{0, 0, 0, 0};
    listView1_.Create(frame1_, IDC_LISTVIEW1, none);
    ControlRef(listView1_.hwnd()).Font(font_.get());
    layout_.push_back({listView1_.hwnd(), 0, 0, 6855, 4560});
    listView1_.SetImageList(images_.get());
    listView1_.SelectOnMouseDown(true);
    for (const ListColumn& c : kProcessColumns) listView1_.AddColumn(c.caption, TwipsToPixels(c.widthTwips, Dpi()));

    HWND check = AddControl(frame1_, "BUTTON", "Mostra processi sistema", BS_AUTOCHECKBOX | WS_TABSTOP, IDC_CHECK1,
                            45 + 180, 4635 + 225, 2040, 240);
    HWND label = AddControl(frame1_, "STATIC", "Numero di processi:", SS_LEFTNOWORDWRAP, IDC_LABEL3, 45 + 2340,
                            4635 + 240, 1575, 195);
    // Wide enough for four digits: the count would be cut off at 360 twips.
    HWND num = AddControl(frame1_, "STATIC", "00", SS_LEFT, IDC_NUMPROC, 45 + 4005, 4635 + 240, 360, 195);
    ControlRef(num).Font(boldFont_.get());

    // The group box comes after the controls it frames, so it lies below them; they belong
    // to the panel so their notifications reach the window.
    HWND group = AddControl(frame1_, "BUTTON", "Opzioni:", BS_GROUPBOX, IDC_FRAME2, 45, 4635, 4380, 555);
    HWND command1 = AddControl(frame1_, "BUTTON", "&Termina && Elimina", BS_PUSHBUTTON | WS_TABSTOP, IDC_COMMAND1, 4545,
                               4725, 2310, 465);
    FitOptionsRow(check, label, num, group, command1);
    AddControl(frame1_, "BUTTON", "&Inizia scansione", BS_PUSHBUTTON | WS_TABSTOP, IDC_COMMAND2, 45, 5355, 6810, 465);
}

void Form1::StartProcessScan() {
    if (closing_ || !SCANPROC) return;
    if (processScanRunning_) {
        // Never nest a second walk: stop the running one and scan again once it has
        // reported its end, so the request is not lost.
        processRescanPending_ = true;
        SCANPROC->CancelScanning();
        return;
    }
    BusyScope busy(*this);
    processScanRunning_ = true;
    // However the scan ends, the rows it added are drawn and it no longer counts as running.
    ScopeExit ended([this]() noexcept {
        listView1_.ShowAdded();
        processScanRunning_ = false;
    });
    do {
        processRescanPending_ = false;
        listView1_.Clear();
        processEntries_.clear();
        DropGrades(kProcessLane);
        SCANPROC->SystemProcesses(ControlRef(Control(IDC_CHECK1)).Checked());
        SCANPROC->BeginScanning();
    } while (processRescanPending_ && !closing_ && SCANPROC);
}

void Form1::CancelProcessScan() {
    processRescanPending_ = false;
    if (SCANPROC) SCANPROC->CancelScanning();
}

const ProcessRow* Form1::ProcessRecord(int row) const {
    const LPARAM index = listView1_.RowData(row);
    return index >= 0 && static_cast<size_t>(index) < processEntries_.size()
               ? &processEntries_[static_cast<size_t>(index)]
               : nullptr;
}

ProcessRow* Form1::ProcessRecord(int row) { return const_cast<ProcessRow*>(std::as_const(*this).ProcessRecord(row)); }

void Form1::SCANPROC_CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool&) {
    ProcessRow entry = MakeProcessRow(File, Path, Id);
    currentGrade_ = entry.lookup ? GradeForNewRow(kProcessLane, entry.name) : entry.grade;
    if (!listView1_.hwnd()) return;
    entry.grade = currentGrade_;
    const auto index = static_cast<LPARAM>(processEntries_.size());
    int row = listView1_.AddRow(entry.name, entry.grade, index);
    if (row < 0) return;
    processEntries_.push_back(std::move(entry));
    const ProcessRow& shown = processEntries_.back();
    if (shown.lookup) AwaitGrade(kProcessLane, shown.name, row);
    listView1_.SetText(row, 1, shown.folder);
    listView1_.SetText(row, 2, std::to_string(shown.pid));
    listView1_.SetTextColor(row, 2, kBlue);
    MarkIfImpostor(listView1_, row, shown.path);
    listView1_.Select(row);
    listView1_.EnsureVisible(row);
}

void Form1::SCANPROC_DoneScanning(int16_t TotalProcesses) {
    if (HWND num = Control(IDC_NUMPROC)) ::SetWindowTextA(num, std::to_string(TotalProcesses).c_str());
}

void Form1::Command2_Click() {
    LookupErrorShown = false;
    StartProcessScan();
}

void Form1::Check1_Click() { StartProcessScan(); }

void Form1::Command1_Click() {
    const ProcessRow* record = ProcessRecord(listView1_.SelectedRow());
    if (!record) return;
    // A copy: the question pumps messages, and a rescan meanwhile replaces the records.
    const ProcessRow entry = *record;
    const std::string& file = entry.name;
    const std::string& folder = entry.folder;

    if (Ask("Sei sicuro di voler terminare il processo " + file + "?", "Termina processo", kQuestionStyle) != IDYES)
        return;
    int32_t id = entry.pid;
    if (!SCANPROC || !SCANPROC->TerminateProcess(id)) return;

    // Only a row with a real folder names a file: "SYSTEM" + name is no path to delete.
    // The system's own files are never offered: ending the process was the whole request.
    bool realPath = folder.size() > 1 && folder.back() == '\\';
    if (realPath && !IsSystemFile(folder + file) &&
        Ask("Vuoi anche eliminarlo dal PC?", "Elimina file", kQuestionStyle) == IDYES)
        DeleteEndedProcessFile(id, folder + file);
    StartProcessScan();
}

void Form1::DeleteEndedProcessFile(int32_t processId, const std::string& path) {
    // Ending a process does not wait for it; its image stays locked until it is gone.
    if (UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(processId))); process)
        ::WaitForSingleObject(process.get(), 2000);
    DeleteOrReport(path);
}

}  // namespace vt
