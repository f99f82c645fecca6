#include "console/ConsoleProgram.h"

#include <windows.h>

#include <cstdint>
#include <unordered_map>

#include "console/pure/Arguments.h"
#include "console/pure/Report.h"
#include "core/CaseMap.h"
#include "core/Wildcard.h"
#include "fileinfo/SignatureChecks.h"
#include "inventory/AutostartScan.h"
#include "inventory/ProcessRows.h"
#include "inventory/StartupScan.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/Prompt.h"
#include "platform/WinText.h"
#include "reputation/Module1.h"
#include "reputation/ReputationLookups.h"

#ifndef VT_VERSION
#define VT_VERSION "1.0.0"
#endif

namespace vt {

namespace {

constexpr const char* kProgram = "vantorilec";

void Complain(const std::string& line) { WriteStandard(STD_ERROR_HANDLE, std::string(kProgram) + ": " + line + "\n"); }

// The lookup's connection warning goes to standard error as one line, not into a box
// that nobody would close.
class WarningLine final : public IPrompt {
public:
    int Show(HWND, const std::string& text, const std::string&, UINT) override {
        std::string line = text;
        for (char& c : line)
            if (c == '\r' || c == '\n') c = ' ';
        Complain(line);
        return IDOK;
    }
};

// The grades of the names, in order. Each distinct name (letter case ignored) is asked
// once, several at a time, and its answer grades every row that carries it. Once the
// service has been found missing, the requests not yet sent are dropped and their rows
// keep grade 0: each could cost a full connection time-out.
std::vector<int32_t> LookUpGrades(const std::vector<std::string>& names) {
    std::vector<int32_t> grades(names.size(), 0);
    if (names.empty()) return grades;
    WarningLine warning;
    LookupErrorShown = false;
    std::unordered_map<std::string, std::vector<size_t>> rowsOf;  // by lowered name
    WaitingLookupSink sink;
    ReputationLookups lookups(&sink);
    lookups.NewBatch();
    for (size_t i = 0; i < names.size(); ++i) {
        rowsOf[LowerAscii(names[i])].push_back(i);
        lookups.Ask(names[i]);
    }
    while (lookups.Outstanding() > 0) {
        // Every request ends within its own time-outs, so the wait ends too; the slice
        // only keeps a missed wake-up from costing more than a second.
        sink.Wait(1000);
        for (const LookupAnswer& a : lookups.TakeAnswers()) {
            for (size_t row : rowsOf[LowerAscii(a.name)]) grades[row] = a.grade;
            if (a.serviceNotFound && !LookupErrorShown) {
                ReportServiceNotFound(warning, nullptr, a.error, a.errorSource);
                lookups.NewBatch();
            }
        }
    }
    return grades;
}

// The signature checks of the rows' files, started before the grades are asked so both
// go on at once; Results waits for them. A row without a file (a "SYSTEM" process) and
// every row under --no-signatures read as not checked.
class RowSignatures {
public:
    RowSignatures(std::vector<std::string> paths, bool skip) : paths_(std::move(paths)) {
        if (skip) return;
        checks_ = std::make_unique<SignatureChecks>(&sink_);
        for (const std::string& path : paths_) checks_->Ask(path);
    }
    std::vector<SignatureResult> Results() {
        std::vector<SignatureResult> results(paths_.size());
        if (!checks_) return results;
        std::unordered_map<std::string, SignatureResult> byPath;  // lowered paths
        while (checks_->Outstanding() > 0) {
            // Every check ends when its file has been read; the slice only keeps a
            // missed wake-up from costing more than a second.
            sink_.Wait(1000);
            for (SignatureAnswer& a : checks_->TakeAnswers()) byPath[LowerText(a.path)] = std::move(a.result);
        }
        for (size_t i = 0; i < paths_.size(); ++i) {
            if (paths_[i].empty()) continue;
            auto it = byPath.find(LowerText(paths_[i]));
            if (it != byPath.end()) results[i] = it->second;
        }
        return results;
    }

private:
    std::vector<std::string> paths_;
    WaitingAnswerSink sink_;
    std::unique_ptr<SignatureChecks> checks_;
};

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(name, &size)) return "";
    return Narrow(std::wstring_view(name, size));
}

std::string NowUtc() {
    SYSTEMTIME t{};
    ::GetSystemTime(&t);
    return IsoUtcTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

class StartupCollector : public IStartupScanEvents {
public:
    std::vector<StartupRow> rows;
    void RowFound(const StartupRow& row) override { rows.push_back(row); }
    void Counted(int64_t) override {}
};

// The other autostart places; a row whose file has no name is not asked about.
std::string AutostartList(const ConsoleOptions& o, const ReportHeader& header) {
    std::vector<AutostartRow> rows = CollectAutostartRows();
    if (!o.noReputation) {
        std::vector<std::string> names;
        std::vector<size_t> asked;
        for (size_t i = 0; i < rows.size(); ++i)
            if (!rows[i].lookupName.empty()) {
                names.push_back(rows[i].lookupName);
                asked.push_back(i);
            }
        std::vector<int32_t> grades = LookUpGrades(names);
        for (size_t k = 0; k < asked.size(); ++k) rows[asked[k]].grade = grades[k];
    }
    return AutostartReport(o.format, header, rows);
}

std::string Report(const ConsoleOptions& o, const ReportHeader& header) {
    if (o.kind == ListKind::Autostart) return AutostartList(o, header);
    if (o.kind == ListKind::Processes) {
        std::vector<ProcessRow> rows = CollectProcessRows(o.system);
        std::vector<std::string> files;
        files.reserve(rows.size());
        for (const ProcessRow& r : rows) files.push_back(r.path);
        RowSignatures signatures(std::move(files), o.noSignatures);
        if (!o.noReputation) {
            std::vector<std::string> names;
            std::vector<size_t> asked;
            for (size_t i = 0; i < rows.size(); ++i)
                if (rows[i].lookup) {
                    names.push_back(rows[i].name);
                    asked.push_back(i);
                }
            std::vector<int32_t> grades = LookUpGrades(names);
            for (size_t k = 0; k < asked.size(); ++k) rows[asked[k]].grade = grades[k];
        }
        return ProcessReport(o.format, header, rows, signatures.Results());
    }
    StartupCollector collector;
    {
        StartupScan scan(&collector);
        scan.BeginScanning();
    }
    std::vector<std::string> files;
    files.reserve(collector.rows.size());
    for (const StartupRow& r : collector.rows) files.push_back(StartupProgramPath(r));
    RowSignatures signatures(std::move(files), o.noSignatures);
    if (!o.noReputation) {
        std::vector<std::string> names;
        for (const StartupRow& r : collector.rows) names.push_back(r.lookupName);
        std::vector<int32_t> grades = LookUpGrades(names);
        for (size_t i = 0; i < grades.size(); ++i) collector.rows[i].grade = grades[i];
    }
    return StartupReport(o.format, header, collector.rows, signatures.Results());
}

bool WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool WriteStandard(unsigned long which, std::string_view utf8) {
    HANDLE h = ::GetStdHandle(which);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (::GetConsoleMode(h, &mode)) {
        // A console shows characters: bytes would go through its code page.
        std::wstring wide = Widen(utf8);
        DWORD written = 0;
        return ::WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
    }
    return WriteAll(h, utf8);
}

int RunConsole(const std::vector<std::string>& args) {
    ParsedArguments parsed = ParseArguments(args, VT_VERSION);
    if (parsed.action == ParsedArguments::Action::Error) {
        WriteStandard(STD_ERROR_HANDLE, parsed.err);
        return kExitBadArguments;
    }
    if (parsed.action == ParsedArguments::Action::Print) {
        return WriteStandard(STD_OUTPUT_HANDLE, parsed.out) ? kExitDone : kExitOutputFailed;
    }
    const ConsoleOptions& o = parsed.options;

    // The file is opened before the scan: a path that cannot be written fails at once,
    // not after every lookup has been made.
    UniqueFileHandle file;
    if (!o.output.empty()) {
        file.reset(::CreateFileW(Widen(o.output).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            DWORD error = ::GetLastError();
            Complain("impossibile scrivere il file " + o.output + ": " + SystemErrorText(error));
            return kExitOutputFailed;
        }
    }

    ComScope com;  // the shell link object needs an apartment on this thread
    ReportHeader header{VT_VERSION, ComputerName(), NowUtc()};
    std::string text;
    try {
        text = Report(o, header);
    } catch (const std::exception& e) {
        Complain(std::string("errore: ") + e.what());
        return 1;
    }

    if (file) {
        // A CSV file starts with the byte-order mark, so spreadsheet programs and Windows
        // PowerShell 5 read it as UTF-8 instead of the ANSI code page.
        std::string bytes = o.format == ReportFormat::Csv ? std::string(kUtf8Bom) + text : text;
        if (!WriteAll(file.get(), bytes)) {
            DWORD error = ::GetLastError();
            Complain("impossibile scrivere il file " + o.output + ": " + SystemErrorText(error));
            return kExitOutputFailed;
        }
        return kExitDone;
    }
    if (!WriteStandard(STD_OUTPUT_HANDLE, text)) {
        Complain("impossibile scrivere sull'uscita standard");
        return kExitOutputFailed;
    }
    return kExitDone;
}

}  // namespace vt
