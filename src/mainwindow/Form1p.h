// The adapters through which the scanners and the toolbar reach the main window's
// handlers, named after the object and the event.
#pragma once

#include "mainwindow/Form1.h"

namespace vt {

class Form1::ProcessEvents : public IScanProcessesEvents {
public:
    explicit ProcessEvents(Form1& f) : f_(f) {}
    void CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool& Terminate) override {
        f_.SCANPROC_CurrentProcess(File, Path, Id, Terminate);
    }
    void DoneScanning(int16_t TotalProcesses) override { f_.SCANPROC_DoneScanning(TotalProcesses); }

private:
    Form1& f_;
};

class Form1::ToolBarEvents : public VtToolBarEventsBase {
public:
    explicit ToolBarEvents(Form1& f) : f_(f) {}
    void Click(int32_t vButton_Index) override { f_.VtToolBar1_Click(vButton_Index); }
    // The second press of a quick pair arrives as a double click and raises no Click of
    // its own: it is the second click on that button ("Avvio" twice stops what the first
    // started, "Processi" twice rescans twice).
    void DblClick(int32_t vButton_Index) override { f_.VtToolBar1_Click(vButton_Index); }

private:
    Form1& f_;
};

class Form1::StartupEvents : public IStartupScanEvents {
public:
    explicit StartupEvents(Form1& f) : f_(f) {}
    void RowFound(const StartupRow& row) override { f_.StartupScan_RowFound(row); }
    void Counted(int64_t amount) override { f_.AddToNumData(amount); }

private:
    Form1& f_;
};

// Runs on a lookup worker: it only posts, the window applies the answers on its own thread.
class Form1::LookupEvents : public ILookupSink {
public:
    explicit LookupEvents(HWND hwnd) : hwnd_(hwnd) {}
    void AnswersWaiting() override { ::PostMessageA(hwnd_, WM_APP_LOOKUP_ANSWERS, 0, 0); }

private:
    const HWND hwnd_;
};

}  // namespace vt
