// Input that others control, end to end through the real main window: broken and
// oversized shortcuts in a startup folder, programs with malformed version resources
// opened in the details window, and a reputation service that answers in hostile ways.
// Every row must be listed, every answer end in time with a grade from 0 to 4, and
// nothing may crash or hang.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <vector>

#include "core/Wildcard.h"
#include "fileinfo/cShellLink.h"
#include "fileinfo/fixtures/Fixtures.h"
#include "mainwindow/MainWindowSupport.h"
#include "reputation/ReputationLookups.h"

namespace vt::test {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Shell link layout: a 76-byte header with the flags at 20, then (by flag) the item list
// with its 16-bit size, the location block with its 32-bit size, then counted strings.
constexpr size_t kHeaderSize = 0x4C;
constexpr uint32_t kHasItemList = 0x01, kHasLinkInfo = 0x02;

uint32_t Read32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
    return v;
}
uint16_t Read16(const std::string& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
void Write16(std::string& b, size_t at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
void Write32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct LinkLayout {
    size_t itemList = 0;  // offset of the item list's size, 0 when there is none
    size_t linkInfo = 0;  // offset of the location block, 0 when there is none
    size_t strings = 0;   // offset of the first counted string
};

LinkLayout Layout(const std::string& b) {
    LinkLayout l;
    const uint32_t flags = Read32(b, 20);
    size_t at = kHeaderSize;
    if (flags & kHasItemList) {
        l.itemList = at;
        at += 2 + Read16(b, at);
    }
    if (flags & kHasLinkInfo) {
        l.linkInfo = at;
        at += Read32(b, at);
    }
    l.strings = at;
    return l;
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetServiceMode("normal"));
        LookupErrorShown = false;
        Form1::Seams seams;
        seams.prompt = &prompt;
        form = std::make_unique<Form1>(seams);
        ASSERT_TRUE(form->Load());
    }
    void TearDown() override {
        // The window first: its details window may still hold the last file it opened.
        form.reset();
        std::vector<std::string> paths;
        for (const auto& f : placed) paths.push_back(f->path());
        placed.clear();
        // Left behind, they would be rows of every later test's startup list.
        for (const std::string& p : paths) EXPECT_FALSE(FileExists(p)) << p;
        SetServiceMode("normal");
    }
    void Place(int folderId, const std::string& name, const std::string& bytes) {
        placed.push_back(std::make_unique<StartupFile>(folderId, name, bytes));
        EXPECT_TRUE(FileExists(placed.back()->path())) << name;
    }
    void ScanStartup() {
        form->Command4_Click();
        ASSERT_FALSE(form->StartupScanning());
        ASSERT_TRUE(WaitForGrades(*form));
    }
    void ScanProcesses() { Click(form->Control(IDC_COMMAND2)); }
    std::set<std::string> Names(ListView& list) {
        std::set<std::string> names;
        for (int i = 0; i < list.Count(); ++i) names.insert(list.Text(i, 0));
        return names;
    }
    void ExpectSaneGrades(ListView& list) {
        for (int i = 0; i < list.Count(); ++i) {
            const int grade = RowImage(list, i);
            EXPECT_TRUE(grade >= 0 && grade <= 4) << list.Text(i, 0) << ": " << grade;
        }
    }
    // Double-clicks the startup list's row `name` and returns the details window's file name box.
    std::string DetailsFileName(const std::string& name) {
        ListView& list = form->ListView2();
        const int row = FindRow(list, name);
        if (row < 0) return "(no row)";
        list.Select(row);
        NMHDR hdr{list.hwnd(), static_cast<UINT_PTR>(::GetDlgCtrlID(list.hwnd())), static_cast<UINT>(NM_DBLCLK)};
        ::SendMessageA(form->hwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
        return form->Details() ? form->Details()->InfoText(8) : "(no dialog)";
    }

    ComScope com;
    TempDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<Form1> form;
    std::vector<std::unique_ptr<StartupFile>> placed;
};

TEST_F(Hostile, BrokenAndOversizedShortcutsAreListedAndOpenWithoutACrash) {
    ASSERT_TRUE(WriteFile(dir / "target.exe", "x"));
    const std::string made = dir / "made.lnk";
    ASSERT_TRUE(cShellLink().CreateShellLink(made, dir / "target.exe", dir.path(), "/arguments here",
                                             dir / "target.exe", 0, 1));
    const std::string good = ReadBytes(made);
    const LinkLayout l = Layout(good);
    ASSERT_GT(l.itemList, 0u) << "the shell wrote no item list";
    ASSERT_LT(l.strings + 2, good.size()) << "the shell wrote no strings";
    const size_t firstItem = l.itemList + 2;

    std::vector<std::pair<std::string, std::string>> files;
    auto add = [&](const std::string& name, std::string bytes) { files.emplace_back(name, std::move(bytes)); };
    add("vt_empty.lnk", "");
    add("vt_cut_header.lnk", good.substr(0, 40));
    add("vt_header_only.lnk", good.substr(0, kHeaderSize));
    add("vt_cut_items.lnk", good.substr(0, firstItem + (l.strings - firstItem) / 3));
    add("vt_cut_item_size.lnk", good.substr(0, firstItem + 1));
    std::string b = good;
    Write16(b, l.itemList, 0xFFFF);
    add("vt_item_list_huge.lnk", b);
    b = good;
    Write16(b, firstItem, 0xFFFF);
    add("vt_item_huge.lnk", b);
    b = good;
    Write16(b, firstItem, 1);  // smaller than its own size field: a walk by sizes would stand still
    add("vt_item_tiny.lnk", b);
    if (l.linkInfo) {
        b = good;
        Write32(b, l.linkInfo, 0x7FFFFFFF);
        add("vt_link_info_huge.lnk", b);
        b = good;
        Write32(b, l.linkInfo + 8, 0xFFFFFFF0);  // the header size inside the block
        add("vt_link_info_inner.lnk", b);
    }
    b = good;
    Write16(b, l.strings, 0xFFFF);
    add("vt_string_huge.lnk", b);
    add("vt_cut_string.lnk", good.substr(0, l.strings + 5));
    add("vt_oversized.lnk", good + std::string(size_t{4} << 20, '\xff'));

    auto started = Clock::now();
    ScanStartup();
    std::printf("[ hostile  ] startup list without them in %.2f s\n", SecondsSince(started));
    const long before = std::stol(form->ControlText(IDC_NUMDATA));
    for (const auto& [name, bytes] : files) Place(7, name, bytes);

    started = Clock::now();
    ScanStartup();
    std::printf("[ hostile  ] %zu shortcuts listed in %.2f s\n", files.size(), SecondsSince(started));
    ListView& list = form->ListView2();
    EXPECT_EQ(std::stol(form->ControlText(IDC_NUMDATA)), before + static_cast<long>(files.size()));
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const int row = FindRow(list, name);
        ASSERT_GE(row, 0);
        EXPECT_EQ(list.Text(row, 2), "UST");
        const int grade = RowImage(list, row);
        EXPECT_TRUE(grade >= 0 && grade <= 4) << grade;
        // Whatever the shell made of the file, the details window opens on it.
        const auto opened = Clock::now();
        DetailsFileName(name);
        std::printf("[ hostile  ] %s details in %.2f s\n", name.c_str(), SecondsSince(opened));
        EXPECT_NE(form->Details(), nullptr);
    }
    ExpectSaneGrades(list);
}

TEST_F(Hostile, MalformedVersionResourcesOpenInTheDetailsWindow) {
    const std::string original = ReadBytes(FixturePath("vi_utf8.dll"));
    ASSERT_FALSE(original.empty());
    const size_t root = FindNodeKey(original, "VS_VERSION_INFO");
    const size_t strings = FindNodeKey(original, "StringFileInfo");
    const size_t table = FindNodeKey(original, "0409FDE9");
    const size_t comments = FindNodeKey(original, "Comments");
    const size_t translation = FindNodeKey(original, "Translation");
    for (size_t at : {root, strings, table, comments, translation}) ASSERT_NE(at, std::string::npos);

    struct Case {
        const char* name;
        size_t key, back;
        uint16_t value;
    } cases[] = {
        {"vt_root_overlong.exe", root, 6, 0xFFFF},
        {"vt_root_zero.exe", root, 6, 0},
        {"vt_fixed_huge.exe", root, 4, 0xFFFF},
        {"vt_strings_zero.exe", strings, 6, 0},  // a child of no length: a walk must not stand still
        {"vt_strings_overlong.exe", strings, 6, 0xFFF0},
        {"vt_table_tiny.exe", table, 6, 2},
        {"vt_value_overlong.exe", comments, 4, 0xFFFF},
        {"vt_value_zero_length.exe", comments, 6, 0},
        {"vt_translation_huge.exe", translation, 4, 0xFFFF},
        {"vt_translation_short.exe", translation, 4, 1},
    };
    for (const Case& c : cases) {
        std::string bytes = original;
        PatchWord(bytes, c.key, c.back, c.value);
        Place(24, c.name, bytes);
    }
    ScanStartup();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GE(FindRow(form->ListView2(), c.name), 0);
        const auto started = Clock::now();
        EXPECT_EQ(DetailsFileName(c.name), c.name);
        EXPECT_LT(SecondsSince(started), 5.0);
        // The boxes hold text, never bytes from beyond the resource: at most what fits.
        for (int box : {2, 7, 10, 11, 15, 16, 17}) EXPECT_LT(form->Details()->InfoText(box).size(), 0x10000u);
    }
    ExpectSaneGrades(form->ListView2());
}

// The names the service answered in the mode it was set to: the first `count` names it
// received from `from` on in its log (a redirect's further hops repeat a name already counted).
std::set<std::string> FirstNamesFrom(size_t from, size_t count) {
    const std::vector<std::string> log = ServiceQueries();
    std::set<std::string> names;
    for (size_t i = from; i < log.size() && names.size() < count; ++i) names.insert(LowerAscii(log[i]));
    return names;
}

TEST_F(Hostile, HostileServiceAnswersEndInTimeWithSaneGrades) {
    ASSERT_TRUE(WaitForGrades(*form));
    const std::set<std::string> expected = Names(form->ListView1());
    ASSERT_GT(expected.size(), 3u);
    struct Case {
        const char* mode;
        std::set<int> grades;  // what a row answered in that mode may show
    } cases[] = {
        {"redirect", {0}},
        {"long-length", {0, 1, 4}},  // the whole answer came before the connection closed
        {"short-length", {0, 1, 4}},
        {"empty", {0}},
        {"line10m", {0, 4}},
        {"zeros", {0, 4}},
        {"cut", {0, 4}},
    };
    // The longest any one answer may take: the lookups' bound for a whole answer, with a
    // margin for a loaded machine. The answers are asked side by side, so all of them are
    // in within about that time too.
    const double kAnswerBound = LookupSettings{}.http.totalMs / 1000.0 + 5.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        // Three hostile answers, then normal ones on whatever the hostile ones left behind.
        const size_t logged = ServiceQueries().size();
        ASSERT_TRUE(SetServiceMode(std::string(c.mode) + "&count=3"));
        const auto started = Clock::now();
        ScanProcesses();
        ASSERT_TRUE(WaitForGrades(*form, static_cast<DWORD>(kAnswerBound * 1000) + 5000));
        const double took = SecondsSince(started);
        ListView& list = form->ListView1();
        std::printf("[ hostile  ] %-13s %d rows graded in %.2f s\n", c.mode, list.Count(), took);
        EXPECT_LT(took, kAnswerBound);
        for (const std::string& name : expected) EXPECT_GE(FindRow(list, name), 0) << name;
        EXPECT_EQ(form->ControlText(IDC_NUMPROC), std::to_string(list.Count()));
        const std::set<std::string> hostile = FirstNamesFrom(logged, 3);
        ASSERT_EQ(hostile.size(), 3u);
        // The others were answered normally (or, on a connection left unclean, failed).
        int answeredHostile = 0;
        for (int i = 0; i < list.Count(); ++i) {
            const int grade = RowImage(list, i);
            const bool inMode = hostile.count(LowerAscii(list.Text(i, 0))) > 0;
            answeredHostile += inMode;
            const bool normal = !inMode && (grade == 1 || grade == 4);
            EXPECT_TRUE(c.grades.count(grade) || normal) << list.Text(i, 0) << ": " << grade;
        }
        EXPECT_GE(answeredHostile, 3);
        // None of these is a service that cannot be reached: no warning.
        EXPECT_TRUE(prompt.asked.empty()) << prompt.asked.front().text;
    }
    // A normal answer afterwards is read as usual: nothing of the hostile ones is left over.
    ASSERT_TRUE(SetServiceMode("normal"));
    ScanProcesses();
    ASSERT_TRUE(WaitForGrades(*form));
    const int services = FindRow(form->ListView1(), "services.exe");
    ASSERT_GE(services, 0);
    EXPECT_EQ(RowImage(form->ListView1(), services), 1);
}

}  // namespace
}  // namespace vt::test
