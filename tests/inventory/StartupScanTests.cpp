// The startup sequence over entries planted in the test prefix's startup folders and the
// current user's Run key: a step that fails is reported, and the steps after it still run.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "inventory/StartupScan.h"
#include "platform/ErrorBoundary.h"
#include "platform/SpecialFolder.h"
#include "support/TestSupport.h"

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::vector<std::string> g_reported;
void Collect(const std::string& line) { g_reported.push_back(line); }

// A file in a startup folder (made when missing) for the length of the test.
class PlantedFile {
public:
    PlantedFile(int folderId, const std::string& name) : path_(vt::SpecialFolder(folderId) + "\\" + name) {
        ::SHCreateDirectoryExA(nullptr, vt::SpecialFolder(folderId).c_str(), nullptr);
        vt::test::WriteFile(path_, "not a shortcut");
    }
    ~PlantedFile() { ::DeleteFileA(path_.c_str()); }
    PlantedFile(const PlantedFile&) = delete;
    PlantedFile& operator=(const PlantedFile&) = delete;

private:
    std::string path_;
};

struct Rows : vt::IStartupScanEvents {
    std::vector<vt::StartupRow> seen;
    std::string refuse;  // a row of this name makes the handler fail
    void RowFound(const vt::StartupRow& row) override {
        seen.push_back(row);
        if (row.name == refuse) throw std::runtime_error("row refused");
    }
    void Counted(int64_t) override {}
    const vt::StartupRow* Find(const std::string& name) const {
        for (const vt::StartupRow& r : seen)
            if (r.name == name) return &r;
        return nullptr;
    }
};

bool Reported(const std::string& line) {
    for (const std::string& l : g_reported)
        if (l == line) return true;
    return false;
}

// No COM on this thread: the shell link object cannot be made, which is a fault to report,
// not just a shortcut without a target.
TEST(StartupScan, AFailingStepIsReportedAndTheRestOfTheSequenceRuns) {
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const std::string refused = "vt_guard_" + tag + ".txt", shortcut = "vt_guard_" + tag + ".lnk";
    const std::string value = "vtGuard" + tag;
    PlantedFile user(7, refused);
    PlantedFile allUsers(24, shortcut);
    vt::test::PlantedValue run(HKEY_CURRENT_USER, kRunKey, value, "\"C:\\Tools\\vtguard.exe\" /min");

    Rows rows;
    rows.refuse = refused;
    vt::StartupScan scan(&rows);
    g_reported.clear();
    const vt::FailureSink previous = vt::SetFailureSink(&Collect);
    scan.BeginScanning();
    vt::SetFailureSink(previous);

    EXPECT_FALSE(scan.Scanning());
    EXPECT_TRUE(Reported("Vantorile: user startup folder scan: row refused\n"));
    // The next folder and the keys were still walked.
    const vt::StartupRow* link = rows.Find(shortcut);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->code, "CST");
    EXPECT_EQ(link->command, "");
    bool linkReported = false;
    for (const std::string& l : g_reported) linkReported |= l.rfind("Vantorile: reading a startup shortcut: ", 0) == 0;
    EXPECT_TRUE(linkReported) << "the shell link failure was swallowed";
    const vt::StartupRow* entry = rows.Find(value);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->code, "CUR");

    // The sequence starts again from the beginning, whole.
    rows.seen.clear();
    rows.refuse.clear();
    scan.BeginScanning();
    EXPECT_NE(rows.Find(refused), nullptr);
    EXPECT_NE(rows.Find(value), nullptr);
}

}  // namespace
