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

class Form1::RegistryEvents : public IScanRegistryEvents {
public:
    explicit RegistryEvents(Form1& f) : f_(f) {}
    void CurrentData(const std::string& Value, const std::string& Key, int32_t Root, bool&) override {
        f_.SCANREG_CurrentData(Value, Key, Root);
    }
    void CurrentKey(const std::string&, int32_t, bool&) override {}
    void DoneScanning(int32_t TotalData, int32_t TotalKeys) override { f_.SCANREG_DoneScanning(TotalData, TotalKeys); }

private:
    Form1& f_;
};

class Form1::DirectoryEvents : public IScanDirectoriesEvents {
public:
    explicit DirectoryEvents(Form1& f) : f_(f) {}
    void CurrentFile(const std::string& File, const std::string& Path, bool&) override {
        f_.SCANDIR_CurrentFile(File, Path);
    }
    void CurrentFolder(const std::string&, bool&, bool&) override {}
    void DoneScanning(int32_t TotalFolders, int32_t TotalFiles) override {
        f_.SCANDIR_DoneScanning(TotalFolders, TotalFiles);
    }

private:
    Form1& f_;
};

}  // namespace vt
