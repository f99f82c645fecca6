// The folder scanner over throwaway folders under %TEMP%.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/WinText.h"
#include "scanners/cScanDirectories.h"
#include "support/TestSupport.h"

namespace {

using vt::cScanDirectories;

struct Recorder : vt::IScanDirectoriesEvents {
    std::vector<std::string> folders;
    std::vector<std::string> files;  // "path|name"
    std::vector<std::string> order;  // "D path" / "F path|name"
    int done = 0;
    int32_t doneFolders = -1, doneFiles = -1;
    bool scanningInDone = false;
    cScanDirectories* scanner = nullptr;
    std::function<void(const std::string&, bool&, bool&)> onFolder;
    std::function<void(const std::string&, const std::string&, bool&)> onFile;

    void CurrentFile(const std::string& File, const std::string& Path, bool& Delete) override {
        files.push_back(Path + "|" + File);
        order.push_back("F " + Path + "|" + File);
        if (onFile) onFile(File, Path, Delete);
    }
    void CurrentFolder(const std::string& Path, bool& Cancel, bool& Delete) override {
        folders.push_back(Path);
        order.push_back("D " + Path);
        if (onFolder) onFolder(Path, Cancel, Delete);
    }
    void DoneScanning(int32_t TotalFolders, int32_t TotalFiles) override {
        ++done;
        doneFolders = TotalFolders;
        doneFiles = TotalFiles;
        if (scanner) scanningInDone = scanner->Scanning();
    }
};

bool MakeDir(const std::string& path) { return ::CreateDirectoryW(vt::Widen(path).c_str(), nullptr) != 0; }
bool Touch(const std::string& path) { return vt::test::WriteFile(path, "x"); }
bool Exists(const std::string& path) {
    return ::GetFileAttributesW(vt::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class FolderScanner : public ::testing::Test {
protected:
    vt::test::TempDir dir;
    Recorder rec;
    cScanDirectories scan{&rec};
    std::string root = dir.path();

    void SetUp() override { rec.scanner = &scan; }
    // root{a.txt, b.LOG, sub{c.txt, deeper{d.txt}}, empty{}}
    void BuildTree() {
        ASSERT_TRUE(Touch(dir / "a.txt"));
        ASSERT_TRUE(Touch(dir / "b.LOG"));
        ASSERT_TRUE(MakeDir(dir / "sub"));
        ASSERT_TRUE(Touch(dir / "sub\\c.txt"));
        ASSERT_TRUE(MakeDir(dir / "sub\\deeper"));
        ASSERT_TRUE(Touch(dir / "sub\\deeper\\d.txt"));
        ASSERT_TRUE(MakeDir(dir / "empty"));
    }
};

TEST_F(FolderScanner, EmptyAndMissingStartFolders) {
    scan.BeginScanning(root);
    EXPECT_EQ(rec.folders, (std::vector<std::string>{root}));
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(rec.doneFolders, 1);
    EXPECT_EQ(rec.doneFiles, 0);
    EXPECT_FALSE(rec.scanningInDone);
    EXPECT_EQ(scan.CurrentDirectory(), root);

    Recorder none;
    cScanDirectories missing(&none);
    ASSERT_TRUE(Touch(dir / "file"));
    for (const std::string& p : {dir / "nothere", dir / "file"}) {
        missing.BeginScanning(p);
        EXPECT_TRUE(none.order.empty()) << p;
        EXPECT_EQ(none.done, 0) << p;
        EXPECT_EQ(missing.TotalFolders(), 0);
        EXPECT_FALSE(missing.Scanning());
    }
}

TEST_F(FolderScanner, WalksTheWholeTreeDepthFirst) {
    BuildTree();
    scan.BeginScanning(root);
    EXPECT_EQ(Sorted(rec.folders), Sorted({root, dir / "sub", dir / "sub\\deeper", dir / "empty"}));
    EXPECT_EQ(Sorted(rec.files),
              Sorted({root + "|a.txt", root + "|b.LOG", dir / "sub|c.txt", dir / "sub\\deeper|d.txt"}));
    EXPECT_EQ(rec.doneFolders, 4);
    EXPECT_EQ(rec.doneFiles, 4);
    // Depth first: the events of every folder's subtree form one unbroken run that starts
    // with that folder's own CurrentFolder.
    auto pathOf = [](const std::string& e) { return e[0] == 'D' ? e.substr(2) : e.substr(2, e.find('|') - 2); };
    for (const std::string& f : rec.folders) {
        std::vector<size_t> at;
        for (size_t i = 0; i < rec.order.size(); ++i) {
            std::string p = pathOf(rec.order[i]);
            if (p == f || p.rfind(f + "\\", 0) == 0) at.push_back(i);
        }
        ASSERT_FALSE(at.empty());
        EXPECT_EQ(rec.order[at.front()], "D " + f);
        EXPECT_EQ(at.back() - at.front() + 1, at.size()) << f;
    }
}

TEST_F(FolderScanner, FilterPatterns) {
    BuildTree();
    scan.Filter("");
    EXPECT_EQ(scan.Filter(), "*");
    scan.Filter("   ");
    EXPECT_EQ(scan.Filter(), "*");
    // Both patterns match a.txt: reported once. Case is ignored both ways.
    scan.BeginScanning(root, "*.TXT|a*|*.log");
    EXPECT_EQ(scan.Filter(), "*.txt|a*|*.log");
    EXPECT_EQ(Sorted(rec.files),
              Sorted({root + "|a.txt", root + "|b.LOG", dir / "sub|c.txt", dir / "sub\\deeper|d.txt"}));
    rec.files.clear();
    scan.BeginScanning(root, "?.txt");
    EXPECT_EQ(rec.files.size(), 3u);
    rec.files.clear();
    scan.BeginScanning(root, "[!a-c]*");
    EXPECT_EQ(rec.files, (std::vector<std::string>{dir / "sub\\deeper|d.txt"}));
}

TEST_F(FolderScanner, CancelSubDirectoriesAndDepth) {
    BuildTree();
    rec.onFolder = [](const std::string&, bool& cancel, bool&) {
        EXPECT_FALSE(cancel);
        cancel = true;
    };
    scan.BeginScanning(root);
    EXPECT_EQ(rec.order, (std::vector<std::string>{"D " + root}));
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(rec.doneFiles, 0);

    rec = Recorder{};
    rec.scanner = &scan;
    scan.SubDirectories(false);
    scan.BeginScanning();
    EXPECT_EQ(rec.folders, (std::vector<std::string>{root}));
    EXPECT_EQ(Sorted(rec.files), Sorted({root + "|a.txt", root + "|b.LOG"}));
    EXPECT_EQ(scan.TotalFolders(), 1);

    rec = Recorder{};
    scan.SubDirectories(true);
    scan.ScanDeep(1);
    scan.BeginScanning();
    EXPECT_EQ(Sorted(rec.folders), Sorted({root, dir / "sub", dir / "empty"}));
    EXPECT_EQ(Sorted(rec.files), Sorted({root + "|a.txt", root + "|b.LOG", dir / "sub|c.txt"}));

    // A cancel while idle does not shorten the next scan.
    rec = Recorder{};
    scan.ScanDeep(0);
    scan.CancelScanning();
    scan.BeginScanning();
    EXPECT_EQ(rec.doneFiles, 4);
}

TEST_F(FolderScanner, TrailingBackslashStartAddsNoDoubleSeparatorOrLevel) {
    BuildTree();
    scan.ScanDeep(1);
    scan.BeginScanning(root + "\\");
    EXPECT_EQ(Sorted(rec.folders), Sorted({root + "\\", dir / "sub", dir / "empty"}));
    EXPECT_TRUE(std::find(rec.files.begin(), rec.files.end(), root + "\\|a.txt") != rec.files.end());
}

TEST_F(FolderScanner, DeleteFoldersAndFiles) {
    BuildTree();
    rec.onFolder = [&](const std::string& p, bool&, bool& del) { del = (p == dir / "empty" || p == dir / "sub"); };
    rec.onFile = [&](const std::string& f, const std::string&, bool& del) { del = (f == "a.txt"); };
    scan.BeginScanning(root);
    EXPECT_FALSE(Exists(dir / "empty"));
    EXPECT_TRUE(Exists(dir / "sub"));  // not empty: refused, walked as usual
    EXPECT_FALSE(Exists(dir / "a.txt"));
    EXPECT_TRUE(Exists(dir / "b.LOG"));
    EXPECT_EQ(rec.doneFolders, 4);  // the removed folder was reported and counted
    EXPECT_EQ(rec.doneFiles, 4);
    EXPECT_EQ(std::count(rec.folders.begin(), rec.folders.end(), dir / "empty"), 1);
}

TEST_F(FolderScanner, HandlerRemovingTheFolderBeingListed) {
    BuildTree();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(Touch(dir / ("sub\\more" + std::to_string(i))));
    rec.onFile = [&](const std::string&, const std::string& p, bool&) {
        if (p == dir / "sub") vt::test::RemoveTree(dir / "sub");
    };
    scan.BeginScanning(root);
    // Whether the system lets the folder go while it is being listed varies; the walk must
    // simply carry on with the rest of the tree and end once.
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(std::count(rec.files.begin(), rec.files.end(), root + "|a.txt"), 1);
    EXPECT_EQ(std::count(rec.files.begin(), rec.files.end(), root + "|b.LOG"), 1);
}

TEST_F(FolderScanner, HandlerSettingStartPathDoesNotMoveTheWalk) {
    BuildTree();
    rec.onFolder = [&](const std::string& p, bool&, bool&) {
        if (p == root) scan.StartPath(dir / "sub");
    };
    scan.BeginScanning(root);
    EXPECT_EQ(Sorted(rec.folders), Sorted({root, dir / "sub", dir / "sub\\deeper", dir / "empty"}));
    EXPECT_EQ(Sorted(rec.files),
              Sorted({root + "|a.txt", root + "|b.LOG", dir / "sub|c.txt", dir / "sub\\deeper|d.txt"}));
    EXPECT_EQ(scan.StartPath(), dir / "sub");  // the handler's value stays for the next scan
}

TEST_F(FolderScanner, FilterLowersEveryScript) {
    // Greek, Cyrillic, the Turkish capital dotted I (lowered to a plain i) and the dotless
    // small i, which matches only itself: a capital I lowers to i, not to it.
    const std::vector<std::string> matching = {
        "\xCE\x91\xCF\x81\xCF\x87\xCE\xB5\xCE\xB9\xCE\xBF"
        "1.TXT",
        "\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B"
        "A.log",
        "\xC4\xB0ZM\xC4\xB0R.TXT", "\xC4\xB1RMAK.txt"};
    for (const std::string& name : matching) ASSERT_TRUE(Touch(dir / name));
    ASSERT_TRUE(Touch(dir / "IRMAK2.txt"));
    ASSERT_TRUE(Touch(dir / "other.txt"));
    scan.BeginScanning(root,
                       "\xCE\x91\xCE\xA1\xCE\xA7\xCE\x95\xCE\x99\xCE\x9F*.TXT|\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB?.LOG|"
                       "izmir.txt|\xC4\xB1*");
    EXPECT_EQ(scan.Filter(),
              "\xCE\xB1\xCF\x81\xCF\x87\xCE\xB5\xCE\xB9\xCE\xBF*.txt|\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB?.log|izmir.txt|"
              "\xC4\xB1*");
    std::vector<std::string> expected;
    for (const std::string& name : matching) expected.push_back(root + "|" + name);
    EXPECT_EQ(Sorted(rec.files), Sorted(expected));
}

TEST_F(FolderScanner, NonAsciiNamesAndLongPaths) {
    const std::string name = "citt\xC3\xA0 \xE6\x97\xA5.TXT";
    ASSERT_TRUE(MakeDir(dir / "perch\xC3\xA9"));
    ASSERT_TRUE(Touch(dir / ("perch\xC3\xA9\\" + name)));
    // A chain of folders well past the 260-character limit, with a file at the bottom.
    std::string deep = root;
    std::wstring wdeep = L"\\\\?\\" + vt::Widen(root);
    for (int i = 0; i < 6; ++i) {
        std::string part = "level" + std::to_string(i) + std::string(50, 'x');
        deep += "\\" + part;
        wdeep += L"\\" + vt::Widen(part);
        ASSERT_TRUE(::CreateDirectoryW(wdeep.c_str(), nullptr));
    }
    ASSERT_GT(deep.size(), 300u);
    {
        vt::UniqueFileHandle h(
            ::CreateFileW((wdeep + L"\\bottom.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(h);
    }
    bool deleteBottom = true;
    rec.onFile = [&](const std::string& f, const std::string&, bool& del) { del = deleteBottom && f == "bottom.txt"; };
    scan.BeginScanning(root, "*.txt");
    EXPECT_TRUE(std::find(rec.files.begin(), rec.files.end(), (dir / "perch\xC3\xA9") + "|" + name) != rec.files.end());
    EXPECT_TRUE(std::find(rec.files.begin(), rec.files.end(), deep + "|bottom.txt") != rec.files.end());
    EXPECT_EQ(::GetFileAttributesW((wdeep + L"\\bottom.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    // The scanner itself can start from the deep folder and remove it when empty.
    rec = Recorder{};
    rec.onFolder = [](const std::string&, bool&, bool& del) { del = true; };
    scan.BeginScanning(deep);
    EXPECT_EQ(rec.folders, (std::vector<std::string>{deep}));
    EXPECT_EQ(::GetFileAttributesW(wdeep.c_str()), INVALID_FILE_ATTRIBUTES);
    // What is left is short enough for the fixture's own clean-up.
    for (int i = 4; i >= 0; --i) {
        wdeep.resize(wdeep.rfind(L'\\'));
        ::RemoveDirectoryW(wdeep.c_str());
    }
}

TEST_F(FolderScanner, AttributesRestrictOnlyWhenChanged) {
    ASSERT_TRUE(Touch(dir / "plain.txt"));
    ASSERT_TRUE(Touch(dir / "ro.txt"));
    ASSERT_TRUE(::SetFileAttributesW(vt::Widen(dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    scan.BeginScanning(root);
    EXPECT_EQ(rec.files.size(), 2u);
    rec.files.clear();
    scan.Attributes(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    scan.BeginScanning();
    EXPECT_EQ(scan.Attributes(), FILE_ATTRIBUTE_READONLY);  // the directory bit is dropped
    EXPECT_EQ(rec.files, (std::vector<std::string>{root + "|ro.txt"}));
    ::SetFileAttributesW(vt::Widen(dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderScanner, StartPathRules) {
    scan.StartPath("c");
    EXPECT_EQ(scan.StartPath(), "c:");
    scan.StartPath(root + "\\");
    EXPECT_EQ(scan.StartPath(), root + "\\");

    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(vt::Widen(root).c_str()));
    scan.StartPath("");
    EXPECT_EQ(scan.StartPath(), root);

    // An unresolvable special folder scans the current directory and leaves StartPath as
    // it was.
    ASSERT_TRUE(Touch(dir / "here.txt"));
    scan.StartPath("C:\\");
    scan.CustomScan(true);
    scan.CustomScanPath(0x7ffe);
    scan.BeginScanning();
    ::SetCurrentDirectoryW(saved);
    EXPECT_EQ(rec.folders, (std::vector<std::string>{root}));
    EXPECT_EQ(rec.files, (std::vector<std::string>{root + "|here.txt"}));
    EXPECT_EQ(scan.StartPath(), "C:\\");
}

TEST(FolderScannerDirectories, SpecialFolders) {
    cScanDirectories scan;
    auto sys = [](auto fn) {
        wchar_t b[MAX_PATH + 1] = {};
        fn(b);
        std::string s = vt::Narrow(b);
        if (!s.empty() && s.back() == '\\') s.pop_back();
        return s;
    };
    auto shell = [](int id) {
        char b[MAX_PATH] = {};
        ::SHGetFolderPathA(nullptr, id, nullptr, 0, b);
        return std::string(b);
    };
    EXPECT_EQ(scan.GetDirectory(36), sys([](wchar_t* b) { ::GetWindowsDirectoryW(b, MAX_PATH); }));
    EXPECT_EQ(scan.GetDirectory(37), sys([](wchar_t* b) { ::GetSystemDirectoryW(b, MAX_PATH); }));
    EXPECT_EQ(scan.GetDirectory(255), sys([](wchar_t* b) { ::GetTempPathW(MAX_PATH, b); }));
    for (int id : {7, 24, 38}) {
        std::string p = scan.GetDirectory(id);
        EXPECT_FALSE(p.empty()) << id;
        EXPECT_EQ(p, shell(id)) << id;
    }
    EXPECT_NE(scan.GetDirectory(7), scan.GetDirectory(24));
    EXPECT_EQ(scan.GetDirectory(0x7ffe), "");
    EXPECT_EQ(scan.GetDirectory(-1), "");
}

TEST(FolderScannerDirectories, StartupFolderThroughCustomScan) {
    // The main window's use: CustomScan on number 7; StartPath is untouched afterwards.
    Recorder rec;
    cScanDirectories scan(&rec);
    std::string startup = scan.GetDirectory(7);
    ASSERT_FALSE(startup.empty());
    bool made = ::SHCreateDirectoryExW(nullptr, vt::Widen(startup).c_str(), nullptr) == ERROR_SUCCESS;
    std::string before = scan.StartPath();
    scan.CustomScan(true);
    scan.CustomScanPath(7);
    scan.BeginScanning();
    ASSERT_FALSE(rec.folders.empty());
    EXPECT_EQ(rec.folders.front(), startup);
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(scan.StartPath(), before);
    if (made) ::RemoveDirectoryW(vt::Widen(startup).c_str());
}

TEST_F(FolderScanner, AThrowingHandlerLeavesTheScannerIdleAndItsStartPathTheCallers) {
    BuildTree();
    scan.StartPath(root);
    rec.onFolder = [](const std::string&, bool&, bool&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(scan.BeginScanning(), std::runtime_error);
    EXPECT_FALSE(scan.Scanning());
    // A special folder's walk puts the caller's start path back, failed or not.
    scan.CustomScan(true);
    scan.CustomScanPath(255);
    EXPECT_THROW(scan.BeginScanning(), std::runtime_error);
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(scan.StartPath(), root);
    EXPECT_EQ(rec.done, 0);

    scan.CustomScan(false);
    rec.onFolder = nullptr;
    scan.BeginScanning();
    EXPECT_EQ(rec.done, 1);
    EXPECT_EQ(rec.doneFiles, 4);
    EXPECT_FALSE(rec.scanningInDone);
}

// A walk that took a stack frame per level would outgrow the program's stack on a tree
// as deep as long paths allow (thousands of levels); the walk keeps its place in the tree
// on the heap instead, so the stack in use at the deepest folder is about what it is at
// the start folder.
TEST(FolderScannerDeep, StackUseDoesNotGrowWithDepth) {
    vt::test::TempDir dir;
    constexpr int kLevels = 150;
    std::wstring w = L"\\\\?\\" + vt::Widen(dir.path());
    std::vector<std::wstring> made;
    std::string deepest = dir.path();
    for (int i = 0; i < kLevels; ++i) {
        w += L"\\d";
        deepest += "\\d";
        ASSERT_TRUE(::CreateDirectoryW(w.c_str(), nullptr)) << i;
        made.push_back(w);
    }
    ASSERT_TRUE(vt::test::WriteFile(dir / "top.txt", "x"));
    Recorder rec;
    cScanDirectories scan(&rec);
    uintptr_t atStart = 0, atDeepest = 0;
    rec.onFolder = [&](const std::string& p, bool&, bool&) {
        volatile char here = 0;
        uintptr_t sp = reinterpret_cast<uintptr_t>(&here);
        if (p == dir.path()) atStart = sp;
        if (p == deepest) atDeepest = sp;
    };
    scan.BeginScanning(dir.path());
    EXPECT_EQ(rec.doneFolders, kLevels + 1);
    EXPECT_EQ(rec.files, (std::vector<std::string>{dir.path() + "|top.txt"}));
    ASSERT_NE(atStart, 0u);
    ASSERT_NE(atDeepest, 0u);
    // The stack grows downwards.
    const uintptr_t grown = atStart > atDeepest ? atStart - atDeepest : 0;
    EXPECT_LT(grown, 16u * 1024) << "bytes per level: " << grown / kLevels;

    for (auto it = made.rbegin(); it != made.rend(); ++it) ::RemoveDirectoryW(it->c_str());
}

}  // namespace
