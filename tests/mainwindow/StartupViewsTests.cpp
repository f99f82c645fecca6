// The startup panel on a 64-bit system: entries of both registry views, and entries the
// system's startup manager has turned off (StartupApproved), through the real window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "mainwindow/MainWindowSupport.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/ComPtr.h"

namespace vt::test {
namespace {

using namespace std::string_literals;

const std::string kApproved = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
const std::string kDisabledTip = "Voce disattivata: non viene avviata all'accensione del PC.";
// A record as the system writes it: the flag word, then the time of the change.
std::string Record(char flag) { return std::string(1, flag) + "\0\0\0"s + "\x10\x20\x30\x40\x50\x60\x70\x01"s; }

class StartupViews : public StartupWindowTest<> {
protected:
    void Scan() {
        StartupWindowTest::Scan();
        // Nothing selected, so every row is drawn in its own colours.
        form->ListView2().Select(-1);
    }
    long NumData() { return std::stol(form->ControlText(IDC_NUMDATA)); }
    ListView& List() { return form->ListView2(); }
    std::vector<int> Rows(const std::string& text) {
        std::vector<int> rows;
        for (int i = 0; i < List().Count(); ++i)
            if (List().Text(i, 0) == text) rows.push_back(i);
        return rows;
    }
    int Row(const std::string& text, const std::string& code) {
        for (int i : Rows(text))
            if (List().Text(i, 2) == code) return i;
        return -1;
    }
    // The colour the list is told to draw a cell's text in, asked through the window.
    COLORREF Drawn(int row, int sub) {
        NMLVCUSTOMDRAW cd{};
        cd.nmcd.hdr.hwndFrom = List().hwnd();
        cd.nmcd.hdr.idFrom = IDC_LISTVIEW2;
        cd.nmcd.hdr.code = NM_CUSTOMDRAW;
        cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
        cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        cd.iSubItem = sub;
        ::SendMessageA(::GetParent(List().hwnd()), WM_NOTIFY, IDC_LISTVIEW2, reinterpret_cast<LPARAM>(&cd));
        return cd.clrText;
    }
    void DoubleClick(int row) {
        List().Select(row);
        NMHDR hdr{List().hwnd(), IDC_LISTVIEW2, static_cast<UINT>(NM_DBLCLK)};
        ::SendMessageA(::GetParent(List().hwnd()), WM_NOTIFY, IDC_LISTVIEW2, reinterpret_cast<LPARAM>(&hdr));
    }
    void Remove(int row, std::deque<int> answers) {
        ASSERT_GE(row, 0);
        List().Select(row);
        prompt.asked.clear();
        prompt.answers = std::move(answers);
        Click(form->Control(IDC_COMMAND3));
    }
};

TEST_F(StartupViews, BothViewsOfTheMachineKeyAreTwoRowsAndRemovalTakesOnlyThe32BitOne) {
    Scan();
    const long before = NumData();
    const std::string native = dir / "vt_native.exe", wow = dir / "vt_wow.exe";
    PlantedValue lm(HKEY_LOCAL_MACHINE, kKeyRun, "vtViews", native);
    PlantedValue lm32(HKEY_LOCAL_MACHINE, kKeyRun, "vtViews", wow, KEY_WOW64_32KEY);
    // The current user's Run key is one key in both views: listed once.
    PlantedValue user(HKEY_CURRENT_USER, kKeyRun, "vtUserOnce", native);
    // The 32-bit entry is turned off in its own list; the native one's record says enabled.
    PlantedValue off32(HKEY_LOCAL_MACHINE, kApproved + "Run32", "vtViews", REG_BINARY, Record('\x03'));
    PlantedValue on(HKEY_LOCAL_MACHINE, kApproved + "Run", "vtViews", REG_BINARY, Record('\x02'));
    // Written through the 32-bit view, the value sits under Wow6432Node, apart from the native one.
    std::string bytes;
    ASSERT_TRUE(GetRegValue(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                            "vtViews", bytes));
    ASSERT_EQ(bytes, wow + '\0');

    Scan();
    EXPECT_EQ(Rows("vtViews").size(), 2u);
    const int nat = Row("vtViews", "LMR"), w32 = Row("vtViews", "LMR32");
    ASSERT_GE(nat, 0);
    ASSERT_GE(w32, 0);
    EXPECT_EQ(List().Text(nat, 1), native);
    EXPECT_EQ(List().Text(w32, 1), wow);
    EXPECT_EQ(List().ToolTip(w32, 1), wow);
    EXPECT_EQ(Drawn(w32, 2), RGB(0, 0, 255));
    EXPECT_EQ(Rows("vtUserOnce").size(), 1u);
    EXPECT_EQ(NumData(), before + 3);
    // The rows as data: the view each came from and its state.
    const auto& entries = form->StartupEntries();
    ASSERT_EQ(entries.size(), static_cast<size_t>(List().Count()));
    EXPECT_EQ(entries[static_cast<size_t>(nat)].view, "native");
    EXPECT_FALSE(entries[static_cast<size_t>(nat)].disabled);
    EXPECT_EQ(entries[static_cast<size_t>(w32)].view, "32");
    EXPECT_TRUE(entries[static_cast<size_t>(w32)].disabled);
    EXPECT_EQ(entries[static_cast<size_t>(w32)].code, "LMR32");
    EXPECT_EQ(entries[static_cast<size_t>(w32)].command, wow);
    EXPECT_EQ(entries[static_cast<size_t>(w32)].location, std::string("HKLM\\") + kKeyRun);

    // The details dialog shows each row's own program.
    for (auto [row, file] : {std::pair{w32, "vt_wow.exe"}, std::pair{nat, "vt_native.exe"}}) {
        DoubleClick(row);
        ASSERT_NE(form->Details(), nullptr);
        EXPECT_EQ(form->Details()->InfoText(8), file);
    }

    // Removing the 32-bit row deletes that value and its record only; the file question
    // names the 32-bit value's program.
    Remove(Row("vtViews", "LMR32"), {IDYES, IDNO});
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text, "Vuoi anche eliminare il file " + wow + " dal PC?");
    EXPECT_FALSE(lm32.Exists());
    EXPECT_FALSE(off32.Exists());
    EXPECT_TRUE(lm.Exists());
    EXPECT_TRUE(on.Exists());
    EXPECT_EQ(Row("vtViews", "LMR32"), -1);
    EXPECT_GE(Row("vtViews", "LMR"), 0);
}

TEST_F(StartupViews, DisabledEntriesAreGreyWithATipAndStillCounted) {
    Scan();
    const long before = NumData();
    struct Case {
        const char* what;
        DWORD type;
        std::string data;  // "" with type 0: no record at all
        bool disabled;
    } cases[] = {
        {"disabled", REG_BINARY, Record('\x03'), true},
        {"enabled 02", REG_BINARY, Record('\x02'), false},
        {"enabled 06", REG_BINARY, Record('\x06'), false},
        {"no record", 0, "", false},
        {"empty", REG_BINARY, "", false},
        {"one byte", REG_BINARY, "\x03", false},
        {"text", REG_SZ, "\x03\0\0\0"s, false},
        {"number", REG_DWORD, "\x03\0\0\0"s, false},
    };
    std::vector<std::unique_ptr<PlantedValue>> planted;
    std::vector<std::unique_ptr<StartupFile>> files;
    auto name = [](size_t i, bool file) {
        return (file ? "vt_appr" : "vtAppr") + std::to_string(i) + (file ? ".exe" : "");
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        planted.push_back(std::make_unique<PlantedValue>(HKEY_CURRENT_USER, kKeyRun, name(i, false), "vt_nothing.exe"));
        files.push_back(std::make_unique<StartupFile>(7, name(i, true)));
        if (c.type == 0) continue;
        planted.push_back(
            std::make_unique<PlantedValue>(HKEY_CURRENT_USER, kApproved + "Run", name(i, false), c.type, c.data));
        planted.push_back(std::make_unique<PlantedValue>(HKEY_CURRENT_USER, kApproved + "StartupFolder", name(i, true),
                                                         c.type, c.data));
    }
    Scan();
    const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT), plain = ::GetSysColor(COLOR_WINDOWTEXT);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        for (bool file : {false, true}) {
            const std::string n = name(i, file);
            const int row = Row(n, file ? "UST" : "CUR");
            ASSERT_GE(row, 0) << n;
            EXPECT_EQ(form->StartupEntries()[static_cast<size_t>(row)].disabled, c.disabled) << c.what << " " << n;
            EXPECT_EQ(Drawn(row, 0), c.disabled ? grey : plain) << c.what << " " << n;
            EXPECT_EQ(Drawn(row, 1), c.disabled ? grey : plain) << c.what << " " << n;
            EXPECT_EQ(Drawn(row, 2), RGB(0, 0, 255)) << c.what << " " << n;
            EXPECT_EQ(List().ToolTip(row, 0), c.disabled ? kDisabledTip : "") << c.what << " " << n;
            // A registry row's command keeps its own tooltip.
            EXPECT_EQ(List().ToolTip(row, 1), file ? (c.disabled ? kDisabledTip : "") : "vt_nothing.exe") << n;
        }
    }
    // Disabled or not, every entry is counted as before.
    EXPECT_EQ(NumData(), before + 2 * static_cast<long>(std::size(cases)));
    // Last planted first: a key one of them made goes only once the others are gone.
    while (!planted.empty()) planted.pop_back();
}

TEST_F(StartupViews, RemovingADisabledEntryClearsItsRecord) {
    PlantedValue value(HKEY_CURRENT_USER, kKeyRun, "vtOff", "vt_nothing.exe");
    PlantedValue valueRecord(HKEY_CURRENT_USER, kApproved + "Run", "vtOff", REG_BINARY, Record('\x03'));
    StartupFile file(24, "vt_off.exe");
    PlantedValue fileRecord(HKEY_LOCAL_MACHINE, kApproved + "StartupFolder", "vt_off.exe", REG_BINARY, Record('\x03'));
    auto vanishing = std::make_unique<PlantedValue>(HKEY_CURRENT_USER, kKeyRun, "vtOffGone", "vt_nothing.exe");
    PlantedValue vanishingRecord(HKEY_CURRENT_USER, kApproved + "Run", "vtOffGone", REG_BINARY, Record('\x03'));
    Scan();
    ASSERT_TRUE(form->StartupEntries()[static_cast<size_t>(Row("vt_off.exe", "CST"))].disabled);

    Remove(Row("vtOff", "CUR"), {IDYES, IDNO});
    EXPECT_FALSE(value.Exists());
    EXPECT_FALSE(valueRecord.Exists());

    Remove(Row("vt_off.exe", "CST"), {IDYES});
    EXPECT_FALSE(FileExists(file.path()));
    EXPECT_FALSE(fileRecord.Exists());

    // An entry that could not be removed keeps its record.
    const int row = Row("vtOffGone", "CUR");
    vanishing.reset();
    Remove(row, {IDYES, IDNO});
    EXPECT_TRUE(vanishingRecord.Exists());
}

}  // namespace
}  // namespace vt::test
