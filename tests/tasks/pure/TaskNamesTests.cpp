#include <gtest/gtest.h>

#include "tasks/pure/TaskNames.h"

namespace {

using namespace vt::tasks;

TEST(TaskNames, PathsNamesAndFolders) {
    struct Case {
        const char* path;
        const char* leaf;
        const char* folder;
    } cases[] = {
        {"\\Vendor\\Updater", "Updater", "\\Vendor"},
        {"\\Microsoft\\Windows\\Defrag\\ScheduledDefrag", "ScheduledDefrag", "\\Microsoft\\Windows\\Defrag"},
        {"\\Updater", "Updater", "\\"},
        {"Updater", "Updater", "\\"},
        {"\\Vendor\\Updater\\", "Updater", "\\Vendor"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TaskLeafName(c.path), c.leaf) << c.path;
        EXPECT_EQ(TaskFolderPath(c.path), c.folder) << c.path;
    }
    EXPECT_EQ(TaskPathOfFile("Vendor\\Updater"), "\\Vendor\\Updater");
    EXPECT_EQ(TaskPathOfFile("Vendor/Sub//Updater"), "\\Vendor\\Sub\\Updater");
    EXPECT_EQ(TaskPathOfFile("Updater"), "\\Updater");
}

TEST(TaskNames, CommandLinesAsStored) {
    TaskAction exec{ActionKind::Exec, "C:\\vt\\upd\\updater.exe", "/silent", "C:\\vt", ""};
    EXPECT_EQ(ActionCommandLine(exec, ""), "C:\\vt\\upd\\updater.exe /silent");
    exec.arguments.clear();
    EXPECT_EQ(ActionCommandLine(exec, ""), "C:\\vt\\upd\\updater.exe");
    TaskAction quoted{ActionKind::Exec, "\"%ProgramFiles%\\V V\\v.exe\"", "-a \"b c\"", "", ""};
    EXPECT_EQ(ActionCommandLine(quoted, ""), "\"%ProgramFiles%\\V V\\v.exe\" -a \"b c\"");
    TaskAction com{ActionKind::ComHandler, "", "", "", "{0000-1}"};
    EXPECT_EQ(ActionCommandLine(com, "%SystemRoot%\\h.dll"), "%SystemRoot%\\h.dll");
    EXPECT_EQ(ActionCommandLine(com, ""), "{0000-1}");
    EXPECT_EQ(ActionCommandLine(TaskAction{}, "x"), "");
}

TEST(TaskNames, BackupFileNamesAreSafeAndDated) {
    struct Case {
        std::string name;
        std::string safe;
    } cases[] = {
        {"Updater", "Updater"},
        {"GoogleUpdateTaskMachineUA{1A2B}", "GoogleUpdateTaskMachineUA{1A2B}"},
        {"a<b>c:d\"e/f\\g|h?i*j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there\x01", "tab_here_"},
        {"Aggiornamento caff\xc3\xa8 \xe2\x82\xac", "Aggiornamento caff\xc3\xa8 \xe2\x82\xac"},
        {"bad\xff"
         "byte",
         "bad_byte"},
        {"trailing dots. . ", "trailing dots"},
        {"...", "attivita"},
        {"", "attivita"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"com1", "_com1"},
        {"LPT9 ", "_LPT9"},
        {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},
        {std::string(200, 'a'), std::string(120, 'a')},
        // 119 ASCII and a two-byte letter: the letter does not fit and is not cut in two.
        {std::string(119, 'a') + "\xc3\xa8", std::string(119, 'a')},
    };
    for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.name), c.safe) << c.name;
    EXPECT_EQ(BackupFileName("Vendor Updater", 2024, 3, 7), "Vendor Updater-2024-03-07.xml");
    EXPECT_EQ(BackupFileName("a:b", 2024, 12, 31, 3), "a_b-2024-12-31-3.xml");
}

TEST(TaskNames, WindowsTasksAreThoseWhoseProgramIsTheSystems) {
    const std::string win = "C:\\Windows";
    struct Case {
        std::vector<ActionProgram> programs;
        bool windows;
    } cases[] = {
        {{{"C:\\Windows\\System32\\defrag.exe", "-c -h"}}, true},
        {{{"c:\\windows\\system32\\..\\SysWOW64\\x.exe", ""}}, true},
        {{{"C:\\vt\\upd\\updater.exe", "/silent"}}, false},
        {{{"C:\\WindowsApps\\x.exe", ""}}, false},
        {{}, false},
        {{{"", ""}}, false},
        // A host of the system starting someone else's file.
        {{{"C:\\Windows\\System32\\wscript.exe", "\"C:\\Users\\u\\AppData\\x.js\""}}, false},
        {{{"C:\\Windows\\System32\\rundll32.exe", "C:\\vt\\evil.dll,Run"}}, false},
        {{{"C:\\Windows\\System32\\cmd.exe", "/c start C:\\vt\\x.exe"}}, false},
        // ... or a file of the system.
        {{{"C:\\Windows\\System32\\rundll32.exe", "C:\\Windows\\System32\\shell32.dll,Control_RunDLL"}}, true},
        {{{"C:\\Windows\\System32\\cmd.exe", "/c exit"}}, true},
        // One program of the system among others is enough.
        {{{"C:\\vt\\a.exe", ""}, {"C:\\Windows\\explorer.exe", ""}}, true},
    };
    for (const auto& c : cases) {
        std::string what;
        for (const auto& p : c.programs) what += p.file + " " + p.arguments + "; ";
        EXPECT_EQ(IsWindowsTask(c.programs, win), c.windows) << what;
    }
}

}  // namespace
