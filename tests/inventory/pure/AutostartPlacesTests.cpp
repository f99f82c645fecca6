// The other autostart places as data, the program file behind each kind of entry, the
// programs of list values and what such a value keeps when one of them goes, and the
// rail that keeps Windows' own entries.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "inventory/pure/AutostartPaths.h"
#include "inventory/pure/AutostartPlaces.h"

namespace {

using vt::ListForm;

constexpr const char* kWin = "C:\\Windows";

// The files of the machine the cases read.
const vt::FileExists kOnDisk = [](const std::string& path) {
    static const std::set<std::string> files = {
        "C:\\Windows\\System32\\svchost.exe",     "C:\\Windows\\explorer.exe",
        "C:\\Windows\\System32\\userinit.exe",    "C:\\Windows\\System32\\powershell.exe",
        "C:\\Program Files\\Vendor\\agent.exe",   "C:\\Hijack\\Program.exe",
        "C:\\Hijack\\Program Files\\App\\svc.exe"};
    return files.count(path) != 0;
};

struct Line {
    std::string category, type, location, values;
    bool bothViews;
    bool operator==(const Line&) const = default;
};

Line LineOf(const vt::AutostartPlace& p) {
    Line line{std::string(p.category), std::string(p.type),
              std::string(p.root == vt::kRootLocalMachine ? "HKLM\\" : "HKCU\\") + std::string(p.key), "", p.bothViews};
    for (const vt::PlaceValue& v : p.values) {
        if (!line.values.empty()) line.values += ' ';
        line.values += std::string(v.name) + (v.list != ListForm::None ? "[list]" : "");
    }
    return line;
}

std::ostream& operator<<(std::ostream& out, const Line& l) {
    return out << l.category << " | " << l.type << " | " << l.location << " | " << l.values << " | "
               << (l.bothViews ? "both views" : "one view");
}

TEST(AutostartPlaces, TheTableInItsOrder) {
    const std::string services = "HKLM\\System\\CurrentControlSet\\Services";
    const std::string winlogon = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    const std::string policies = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
    const std::string current = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\";
    const std::string processor = "Software\\Microsoft\\Command Processor";
    const std::vector<Line> expected = {
        {"service", "Servizio", services, "", false},
        {"driver", "Driver", services, "", false},
        {"winlogon", "Winlogon", "HKLM\\" + winlogon, "Shell Userinit[list] Taskman AppSetup", false},
        {"winlogon", "Winlogon", "HKCU\\" + winlogon, "Shell", false},
        {"policies-run", "Criteri Run", "HKCU\\" + policies, "", false},
        {"policies-run", "Criteri Run", "HKLM\\" + policies, "", true},
        {"runonceex", "RunOnceEx", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", "", true},
        {"ifeo", "Debugger di un programma", current + "Image File Execution Options", "Debugger", true},
        {"silent-exit", "Monitor di chiusura", current + "SilentProcessExit", "MonitorProcess", true},
        {"appinit", "AppInit_DLLs", current + "Windows", "AppInit_DLLs[list]", true},
        {"active-setup", "Active Setup", "HKLM\\Software\\Microsoft\\Active Setup\\Installed Components", "StubPath",
         true},
        {"windows-load", "Windows Load/Run", "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
         "Load Run", false},
        {"command-processor", "Prompt dei comandi", "HKCU\\" + processor, "AutoRun", false},
        {"command-processor", "Prompt dei comandi", "HKLM\\" + processor, "AutoRun", true},
        {"boot-execute", "BootExecute", "HKLM\\System\\CurrentControlSet\\Control\\Session Manager",
         "BootExecute[list]", false},
    };
    std::vector<Line> actual;
    for (const vt::AutostartPlace& p : vt::AutostartPlaces()) actual.push_back(LineOf(p));
    EXPECT_EQ(actual, expected);

    // What the removal and the list need beyond the names.
    const auto& places = vt::AutostartPlaces();
    const vt::PlaceValue* shell = vt::FindPlaceValue(places[2], "shell");
    const vt::PlaceValue* userinit = vt::FindPlaceValue(places[2], "Userinit");
    ASSERT_TRUE(shell && userinit);
    EXPECT_EQ(shell->systemValue, "explorer.exe");
    EXPECT_EQ(userinit->systemValue, "%SystemRoot%\\system32\\userinit.exe,");
    EXPECT_EQ(vt::FindPlaceValue(places[3], "Shell")->systemValue, "");
    EXPECT_EQ(places[14].values[0].defaultItem, "autocheck autochk *");
    EXPECT_EQ(places[9].switchValue, "LoadAppInit_DLLs");
    EXPECT_EQ(places[10].switchValue, "IsInstalled");
    std::vector<std::string> railed;
    for (const vt::AutostartPlace& p : places)
        if (p.windowsRail) railed.emplace_back(p.category);
    EXPECT_EQ(railed, (std::vector<std::string>{"service", "driver", "winlogon", "active-setup"}));
}

TEST(AutostartPaths, ImagePathsAsTheSystemReadsThem) {
    struct Case {
        const char* image;
        const char* program;
    } cases[] = {
        {"\\SystemRoot\\System32\\drivers\\ACPI.sys", "C:\\Windows\\System32\\drivers\\ACPI.sys"},
        {"\\SystemRoot\\system32\\DRIVERS\\tcpip.sys", "C:\\Windows\\system32\\DRIVERS\\tcpip.sys"},
        {"System32\\drivers\\disk.sys", "C:\\Windows\\System32\\drivers\\disk.sys"},
        {"system32\\DRIVERS\\vmbus.sys", "C:\\Windows\\system32\\DRIVERS\\vmbus.sys"},
        {"\\??\\C:\\Windows\\system32\\drivers\\MpKslDrv.sys", "C:\\Windows\\system32\\drivers\\MpKslDrv.sys"},
        {"\\??\\C:\\ProgramData\\Vendor\\Definition Updates\\kd.sys",
         "C:\\ProgramData\\Vendor\\Definition Updates\\kd.sys"},
        {"\\\\?\\C:\\Tools\\svc.exe", "C:\\Tools\\svc.exe"},
        {"%SystemRoot%\\System32\\svchost.exe -k netsvcs -p", "C:\\Windows\\System32\\svchost.exe"},
        {"%windir%\\system32\\svchost.exe -k LocalServiceNetworkRestricted", "C:\\Windows\\system32\\svchost.exe"},
        {"C:\\WINDOWS\\system32\\lsass.exe", "C:\\WINDOWS\\system32\\lsass.exe"},
        {"\"C:\\Program Files\\Vendor\\agent.exe\" /service", "C:\\Program Files\\Vendor\\agent.exe"},
        {"\"C:\\Program Files (x86)\\App\\svc.exe\"", "C:\\Program Files (x86)\\App\\svc.exe"},
        {"\"\\??\\C:\\Program Files\\x\\y.sys\"", "C:\\Program Files\\x\\y.sys"},
        // Unquoted with blanks: the first head the system finds, else up to the extension.
        {"C:\\Program Files\\Vendor\\agent.exe /service", "C:\\Program Files\\Vendor\\agent.exe"},
        {"C:\\vt\\svc host\\agent.exe -k", "C:\\vt\\svc host\\agent.exe"},
        {"C:\\Hijack\\Program Files\\App\\svc.exe", "C:\\Hijack\\Program.exe"},
        {"C:\\Program Files\\App\\svc.exe", "C:\\Program Files\\App\\svc.exe"},
        {"\\Windows\\System32\\drivers\\x.sys", "C:\\Windows\\System32\\drivers\\x.sys"},
        {"svchost.exe -k rpcss", "C:\\Windows\\System32\\svchost.exe"},
        {"wuausrv.exe", "C:\\Windows\\System32\\wuausrv.exe"},
        {"C:\\Windows\\system32\\..\\Temp\\x.exe", "C:\\Windows\\Temp\\x.exe"},
        {"  C:\\Tools\\padded.exe  ", "C:\\Tools\\padded.exe"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(vt::ImageProgramPath(c.image, kWin, kOnDisk), c.program) << c.image;
    // Without a file system to ask, the extension decides.
    EXPECT_EQ(vt::ImageProgramPath("C:\\Hijack\\Program Files\\App\\svc.exe -x", kWin),
              "C:\\Hijack\\Program Files\\App\\svc.exe");

    EXPECT_TRUE(vt::IsSharedServiceHost("C:\\Windows\\System32\\svchost.exe -k netsvcs -p",
                                        "C:\\Windows\\System32\\svchost.exe"));
    EXPECT_TRUE(
        vt::IsSharedServiceHost("%SystemRoot%\\system32\\SVCHOST.EXE /k x", "C:\\Windows\\system32\\SVCHOST.EXE"));
    EXPECT_FALSE(vt::IsSharedServiceHost("C:\\vt\\svc host\\agent.exe -k", "C:\\vt\\svc host\\agent.exe"));
    EXPECT_FALSE(vt::IsSharedServiceHost("C:\\Windows\\System32\\svchost.exe", "C:\\Windows\\System32\\svchost.exe"));
}

TEST(AutostartPaths, TheFileACommandRuns) {
    struct Case {
        const char* command;
        const char* file;
    } cases[] = {
        {"\"C:\\Program Files\\App\\app.exe\" /min", "C:\\Program Files\\App\\app.exe"},
        {"C:\\Program Files\\Vendor\\agent.exe --tray", "C:\\Program Files\\Vendor\\agent.exe"},
        {"rundll32.exe C:\\Users\\u\\AppData\\Roaming\\evil.dll,Start", "C:\\Users\\u\\AppData\\Roaming\\evil.dll"},
        {"\"C:\\Windows\\System32\\rundll32.exe\" C:\\Windows\\System32\\iesetup.dll,IEHardenAdmin",
         "C:\\Windows\\System32\\iesetup.dll"},
        {"wscript.exe //B \"C:\\vt\\a b.vbs\"", "C:\\vt\\a b.vbs"},
        {"powershell -w hidden -enc AAAA", "C:\\Windows\\System32\\powershell.exe"},
        {"explorer.exe", "C:\\Windows\\explorer.exe"},
        {"notepad.exe /p", "notepad.exe"},
        {"%SystemRoot%\\system32\\userinit.exe", "C:\\Windows\\system32\\userinit.exe"},
        {"||C:\\vt\\setup.dll|Install|/quiet", "C:\\vt\\setup.dll"},
        {"C:\\vt\\evil.exe", "C:\\vt\\evil.exe"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(vt::CommandProgramFile(c.command, kWin, kOnDisk), c.file) << c.command;

    EXPECT_EQ(vt::LibraryFile("C:\\vt\\one.dll", kWin), "C:\\vt\\one.dll");
    EXPECT_EQ(vt::LibraryFile("hook.dll", kWin), "C:\\Windows\\System32\\hook.dll");
    EXPECT_EQ(vt::BootProgramFile("autocheck autochk *", kWin), "C:\\Windows\\System32\\autochk.exe");
    EXPECT_EQ(vt::BootProgramFile("vtboot /x", kWin), "C:\\Windows\\System32\\vtboot.exe");
    EXPECT_EQ(vt::BootProgramFile("\\??\\C:\\vt\\boot.exe", kWin), "C:\\vt\\boot.exe");
}

std::vector<std::string> Texts(std::string_view text, ListForm form) {
    std::vector<std::string> out;
    for (const vt::ListItem& item : vt::SplitListValue(text, form)) {
        EXPECT_EQ(text.substr(item.begin, item.end - item.begin), item.text);
        out.push_back(item.text);
    }
    return out;
}

TEST(AutostartPaths, ListValuesAndWhatTheyKeep) {
    using V = std::vector<std::string>;
    const std::string userinit = "C:\\Windows\\system32\\userinit.exe,C:\\vt\\evil.exe";
    EXPECT_EQ(Texts(userinit, ListForm::Commas), (V{"C:\\Windows\\system32\\userinit.exe", "C:\\vt\\evil.exe"}));
    EXPECT_EQ(Texts("C:\\Windows\\system32\\userinit.exe,", ListForm::Commas),
              V{"C:\\Windows\\system32\\userinit.exe"});
    EXPECT_EQ(Texts(" a.exe , C:\\Program Files\\b.exe ,, ", ListForm::Commas),
              (V{"a.exe", "C:\\Program Files\\b.exe"}));
    EXPECT_EQ(Texts("C:\\vt\\one.dll C:\\vt\\two.dll", ListForm::BlanksOrCommas),
              (V{"C:\\vt\\one.dll", "C:\\vt\\two.dll"}));
    EXPECT_EQ(Texts("one.dll,two.dll, \tthree.dll", ListForm::BlanksOrCommas), (V{"one.dll", "two.dll", "three.dll"}));
    EXPECT_EQ(Texts(std::string("autocheck autochk *\0vtboot /x\0", 30), ListForm::MultiString),
              (V{"autocheck autochk *", "vtboot /x"}));
    EXPECT_EQ(Texts("", ListForm::Commas), V{});
    EXPECT_EQ(Texts(" , ", ListForm::BlanksOrCommas), V{});

    struct Removal {
        std::string text;
        ListForm form;
        size_t index;
        std::string left;
    } removals[] = {
        {userinit, ListForm::Commas, 1, "C:\\Windows\\system32\\userinit.exe"},
        {userinit, ListForm::Commas, 0, "C:\\vt\\evil.exe"},
        {"C:\\Windows\\system32\\userinit.exe,C:\\vt\\evil.exe,", ListForm::Commas, 1,
         "C:\\Windows\\system32\\userinit.exe,"},
        {"a.exe, b.exe, c.exe", ListForm::Commas, 1, "a.exe, c.exe"},
        {"C:\\vt\\one.dll C:\\vt\\two.dll", ListForm::BlanksOrCommas, 0, "C:\\vt\\two.dll"},
        {"C:\\vt\\one.dll,C:\\vt\\two.dll", ListForm::BlanksOrCommas, 1, "C:\\vt\\one.dll"},
        {std::string("autocheck autochk *\0vtboot /x", 29), ListForm::MultiString, 1, "autocheck autochk *"},
        {std::string("vtboot\0autocheck autochk *", 26), ListForm::MultiString, 0, "autocheck autochk *"},
        {"C:\\vt\\evil.exe,", ListForm::Commas, 0, ""},
        {"a.exe,b.exe", ListForm::Commas, 5, "a.exe,b.exe"},
    };
    for (const Removal& r : removals) EXPECT_EQ(vt::RemoveListItem(r.text, r.form, r.index), r.left) << r.text;

    EXPECT_TRUE(vt::IsDefaultItem("autocheck autochk *", "autocheck autochk *"));
    EXPECT_TRUE(vt::IsDefaultItem(" AutoCheck   autochk\t* ", "autocheck autochk *"));
    EXPECT_FALSE(vt::IsDefaultItem("autocheck autochk /p *", "autocheck autochk *"));
    EXPECT_FALSE(vt::IsDefaultItem("anything", ""));
}

TEST(AutostartPlaces, TheRailKeepsWhatWindowsNeedsToStart) {
    const auto& places = vt::AutostartPlaces();
    const vt::AutostartPlace& services = places[0];
    const vt::AutostartPlace& winlogon = places[2];
    const vt::AutostartPlace& userShell = places[3];
    const vt::AutostartPlace& ifeo = places[7];
    const vt::AutostartPlace& activeSetup = places[10];
    const vt::PlaceValue* shell = vt::FindPlaceValue(winlogon, "Shell");
    const vt::PlaceValue* userinit = vt::FindPlaceValue(winlogon, "Userinit");
    const vt::PlaceValue* taskman = vt::FindPlaceValue(winlogon, "Taskman");
    struct Case {
        const vt::AutostartPlace* place;
        const vt::PlaceValue* value;
        bool listItem;
        const char* command;
        const char* file;
        bool windows;
    } cases[] = {
        {&services, nullptr, false, "C:\\windows\\system32\\plugplay.exe", "C:\\windows\\system32\\plugplay.exe", true},
        {&services, nullptr, false, "C:\\vt\\svc host\\agent.exe -k", "C:\\vt\\svc host\\agent.exe", false},
        {&winlogon, shell, false, "explorer.exe", "C:\\Windows\\explorer.exe", true},
        {&winlogon, shell, false, "Explorer.exe ", "explorer.exe", true},
        {&winlogon, shell, false, "C:\\Windows\\explorer.exe", "C:\\Windows\\explorer.exe", true},
        // Anything else there is replaced by the system's own: a shell of the Windows
        // folder that is not the system's is no exception.
        {&winlogon, shell, false, "C:\\Windows\\System32\\cmd.exe", "C:\\Windows\\System32\\cmd.exe", false},
        {&winlogon, shell, false, "C:\\vt\\shell.exe", "C:\\vt\\shell.exe", false},
        {&winlogon, userinit, true, "C:\\Windows\\system32\\userinit.exe", "C:\\Windows\\system32\\userinit.exe", true},
        {&winlogon, userinit, true, "C:\\vt\\evil.exe", "C:\\vt\\evil.exe", false},
        {&winlogon, userinit, true, "C:\\Windows\\System32\\evil.exe", "C:\\Windows\\System32\\evil.exe", false},
        {&winlogon, taskman, false, "C:\\Windows\\System32\\taskmgr.exe", "C:\\Windows\\System32\\taskmgr.exe", true},
        {&userShell, vt::FindPlaceValue(userShell, "Shell"), false, "explorer.exe", "C:\\Windows\\explorer.exe", false},
        // A hijack by a program of Windows (the classic one starts cmd.exe) stays removable.
        {&ifeo, &ifeo.values[0], false, "C:\\Windows\\System32\\cmd.exe", "C:\\Windows\\System32\\cmd.exe", false},
        {&activeSetup, &activeSetup.values[0], false, "%SystemRoot%\\system32\\unregmp2.exe /FirstLogon",
         "C:\\Windows\\system32\\unregmp2.exe", true},
        {&activeSetup, &activeSetup.values[0], false, "C:\\vt\\stub.exe", "C:\\vt\\stub.exe", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vt::IsWindowsEntry(*c.place, c.value, c.listItem, c.command, c.file, kWin, kOnDisk), c.windows)
            << c.place->category << " " << c.command;
}

}  // namespace
