#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <thread>

#include "console/pure/CsvReader.h"
#include "console/pure/Report.h"
#include "core/SystemFiles.h"
#include "fileinfo/FileSignature.h"
#include "fileinfo/cShellLink.h"
#include "fileinfo/fixtures/SigningFixtures.h"
#include "mainwindow/Impostors.h"
#include "mainwindow/MainWindowSupport.h"
#include "inventory/pure/StartupCodes.h"
#include "platform/ComPtr.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "core/PathText.h"
#include "core/Wildcard.h"

namespace vt::test {
namespace {

using nlohmann::json;

struct Ran {
    DWORD code = 0xFFFFFFFF;
    std::string out, err;
};

std::string ReadAll(HANDLE pipe) {
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got) data.append(buf, got);
    return data;
}

// Starts the real vantorilec.exe (built beside vantorile.exe) with args, and gathers its
// exit code and both output streams.
Ran RunVantorilec(const std::string& args) {
    Ran ran;
    std::string exe = ModulePath();  // <build>\tests\bin\console_tests.exe
    for (int up = 0; up < 3; ++up) exe.resize(exe.find_last_of('\\'));
    exe += "\\vantorilec.exe";
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    EXPECT_TRUE(::CreatePipe(&outRead, &outWrite, &sa, 0));
    EXPECT_TRUE(::CreatePipe(&errRead, &errWrite, &sa, 0));
    UniqueHandle outR(outRead), outW(outWrite), errR(errRead), errW(errWrite);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    std::wstring cmd = Widen("\"" + exe + "\" " + args);
    PROCESS_INFORMATION pi{};
    // Wine under load now and then refuses a start with an internal error; a second try
    // goes through.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        started = ::CreateProcessW(Widen(exe).c_str(), cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                   nullptr, &si, &pi) != 0;
        if (!started) {
            error = ::GetLastError();
            ::Sleep(200);
        }
    }
    if (!started) {
        ADD_FAILURE() << "cannot start " << exe << ": " << error;
        return ran;
    }
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    outW.reset();
    errW.reset();
    std::thread errReader([&] { ran.err = ReadAll(errR.get()); });
    ran.out = ReadAll(outR.get());
    errReader.join();
    EXPECT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
    ::GetExitCodeProcess(process.get(), &ran.code);
    return ran;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A value in one of the prefix's Run keys for the length of a test.
class RunValue {
public:
    RunValue(HKEY root, const std::string& key, const std::string& name, const std::string& text)
        : root_(root),
          key_(key),
          name_(name) {
        DWORD disposition = 0;
        ::RegCreateKeyExW(root, Widen(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k_.put(), &disposition);
        created_ = disposition == REG_CREATED_NEW_KEY;
        std::wstring data = Widen(text);
        ::RegSetValueExW(k_.get(), Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    ~RunValue() {
        ::RegDeleteValueW(k_.get(), Widen(name_).c_str());
        k_.reset();
        if (created_) ::RegDeleteKeyW(root_, Widen(key_).c_str());
    }
    RunValue(const RunValue&) = delete;
    RunValue& operator=(const RunValue&) = delete;

private:
    HKEY root_;
    std::string key_, name_;
    UniqueHKey k_;
    bool created_ = false;
};

// An environment variable changed for the length of a scope (the child inherits it).
class EnvOverride {
public:
    EnvOverride(const char* name, const std::string& value) : name_(name), old_(GetEnv(name)) {
        ::SetEnvironmentVariableA(name, value.c_str());
    }
    ~EnvOverride() { ::SetEnvironmentVariableA(name_, old_.empty() ? nullptr : old_.c_str()); }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    std::string old_;
};

const json* FindItem(const json& items, const std::string& name) {
    for (const auto& item : items)
        if (item["name"] == name) return &item;
    return nullptr;
}

class Console : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetServiceMode("normal")); }
    ComScope com;
    TempDir dir;
};

// The rows the console writes carry the registry view and the disabled state the startup
// panel draws: a 32-bit value of the machine's Run key, and an entry turned off.
TEST_F(Console, StartupRowsCarryTheirViewAndDisabledState) {
    const std::string approved = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    PlantedValue wow(HKEY_LOCAL_MACHINE, kKeyRun, "vtc wow", dir / "vtc_wow.exe", KEY_WOW64_32KEY);
    PlantedValue off(HKEY_CURRENT_USER, kKeyRun, "vtc off", dir / "vtc_off.exe");
    PlantedValue record(HKEY_CURRENT_USER, approved, "vtc off", REG_BINARY,
                        std::string("\x03\0\0\0\0\0\0\0\0\0\0\0", 12));
    Ran ran = RunVantorilec("startup --format json");
    ASSERT_EQ(ran.code, 0u) << ran.err;
    const json items = json::parse(ran.out)["items"];
    const json* w = FindItem(items, "vtc wow");
    ASSERT_NE(w, nullptr) << ran.out;
    EXPECT_EQ((*w)["code"], "LMR32");
    EXPECT_EQ((*w)["view"], "32");
    EXPECT_EQ((*w)["command"], dir / "vtc_wow.exe");
    EXPECT_EQ((*w)["disabled"], false);
    const json* o = FindItem(items, "vtc off");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ((*o)["view"], "native");
    EXPECT_EQ((*o)["disabled"], true);
}

// The same fixtures through the window and through the console program: the rows agree,
// field for field and in order.
TEST_F(Console, StartupJsonItemsEqualTheStartupPanelRows) {
    const std::string quoted = "\"C:\\Programmi\\Città\\svch0st.exe\" /min, /q";
    RunValue a(HKEY_CURRENT_USER, kKeyRun, "vtc Agg, \"speciale\" è", quoted);
    RunValue b(HKEY_CURRENT_USER, kKeyRunOnce, "vtc notepad", "notepad.exe");
    RunValue c(HKEY_LOCAL_MACHINE, kKeyRunOnce, "vtc adbooster", "adbooster.exe -q");
    RunValue d(HKEY_CURRENT_USER, kKeyRun, "vtc numeric", "1");
    StartupFile target(255, "vtc_target_notepad.exe");
    StartupFile link(7, "vtc Collegamento.lnk");
    cShellLink links;
    ASSERT_TRUE(links.CreateShellLink(link.path(), target.path(), "", "", "", 0, 1));
    StartupFile plain(24, "vtc_svch0st, già.exe");
    RunValue fake(HKEY_CURRENT_USER, kKeyRun, "vtc impostor", '"' + (dir / "svchost.exe") + "\" -k netsvcs");
    RunValue real(HKEY_CURRENT_USER, kKeyRun, "vtc explorer", WindowsFolderPath() + "\\explorer.exe");

    OpenForm open;
    ASSERT_TRUE(open.loaded);
    open.form->Command4_Click();
    ASSERT_FALSE(open.form->StartupScanning());
    ASSERT_TRUE(WaitForGrades(*open.form));
    ListView& list = open.form->ListView2();

    Ran ran = RunVantorilec("startup --format json");
    ASSERT_EQ(ran.code, 0u) << ran.err;
    EXPECT_EQ(ran.err, "");
    json doc = json::parse(ran.out);
    EXPECT_EQ(doc["tool"], "vantorile");
    EXPECT_EQ(doc["kind"], "startup");
    const json& items = doc["items"];
    ASSERT_EQ(items.size(), static_cast<size_t>(list.Count()));
    for (int row = 0; row < list.Count(); ++row) {
        const json& item = items[static_cast<size_t>(row)];
        EXPECT_EQ(item["name"], list.Text(row, 0)) << row;
        EXPECT_EQ(item["command"], list.Text(row, 1)) << row;
        EXPECT_EQ(item["code"], list.Text(row, 2)) << row;
        EXPECT_EQ(item["grade"], RowImage(list, row)) << row;
        EXPECT_EQ(item["verdict"], VerdictWord(RowImage(list, row))) << row;
        EXPECT_EQ(item["impostor"], list.TextColor(row, 0) == kImpostorRed) << row;
        // And what the panel keeps beside each row.
        const StartupRow& entry = open.form->StartupEntries().at(static_cast<size_t>(row));
        EXPECT_EQ(item["view"], entry.view) << row;
        EXPECT_EQ(item["disabled"], entry.disabled) << row;
        EXPECT_EQ(item["location"], entry.location) << row;
    }

    // The fixtures are there, with what the panel does not show.
    const json* agg = FindItem(items, "vtc Agg, \"speciale\" è");
    ASSERT_NE(agg, nullptr) << ran.out;
    EXPECT_EQ((*agg)["command"], quoted);
    EXPECT_EQ((*agg)["code"], "CUR");
    EXPECT_EQ((*agg)["location"], "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ((*agg)["view"], "native");
    EXPECT_EQ((*agg)["disabled"], false);
    EXPECT_EQ((*agg)["grade"], 2);
    EXPECT_EQ((*agg)["verdict"], "infected");
    const json* lm = FindItem(items, "vtc adbooster");
    ASSERT_NE(lm, nullptr);
    EXPECT_EQ((*lm)["location"], "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
    EXPECT_EQ((*lm)["code"], "LMRO");
    const json* lnk = FindItem(items, "vtc Collegamento.lnk");
    ASSERT_NE(lnk, nullptr);
    EXPECT_EQ((*lnk)["command"], target.path());
    EXPECT_EQ((*lnk)["code"], "UST");
    EXPECT_EQ((*lnk)["location"], link.folder());
    const json* file = FindItem(items, "vtc_svch0st, già.exe");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ((*file)["code"], "CST");
    EXPECT_EQ((*file)["location"], plain.folder());
    EXPECT_EQ(FindItem(items, "vtc numeric"), nullptr);
    // A system program's name outside the Windows folder, and the genuine one.
    ASSERT_NE(FindItem(items, "vtc impostor"), nullptr);
    EXPECT_EQ((*FindItem(items, "vtc impostor"))["impostor"], true);
    ASSERT_NE(FindItem(items, "vtc explorer"), nullptr);
    EXPECT_EQ((*FindItem(items, "vtc explorer"))["impostor"], false);
    EXPECT_EQ((*agg)["impostor"], false);  // a near name is no impostor
}

TEST_F(Console, CsvRoundTripsNamesWithCommasQuotesLineBreaksAndAccents) {
    const std::string name = "vtc \"Nome\", con\r\naccenti: àèìòù ÄÖß";
    const std::string command = "\"C:\\Città\\prog, uno.exe\" /x \"a b\"";
    RunValue v(HKEY_CURRENT_USER, kKeyRun, name, command);
    const std::string out = dir / "elenco è.csv";

    Ran toFile = RunVantorilec("startup --format csv --no-reputation --output \"" + out + "\"");
    ASSERT_EQ(toFile.code, 0u) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    std::string bytes;
    {
        UniqueFileHandle f(
            ::CreateFileW(Widen(out).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(f) << out;
        bytes = ReadAll(f.get());
    }
    ASSERT_EQ(bytes.substr(0, 3), kUtf8Bom);  // a CSV file carries the byte-order mark
    Ran toStdout = RunVantorilec("startup --format csv --no-reputation");
    ASSERT_EQ(toStdout.code, 0u);
    EXPECT_EQ(toStdout.out, bytes.substr(3));  // the same bytes, without the mark

    auto table = ParseCsv(bytes.substr(3));
    ASSERT_GE(table.size(), 2u);
    EXPECT_EQ(table[0], (std::vector<std::string>{"name", "command", "code", "location", "view", "disabled", "grade",
                                                  "verdict", "impostor", "signature", "signer", "sha256"}));
    int found = 0;
    for (const auto& record : table) {
        ASSERT_EQ(record.size(), 12u);
        if (record[0] != name) continue;
        ++found;
        EXPECT_EQ(record[1], command);
        EXPECT_EQ(record[2], "CUR");
        EXPECT_EQ(record[6], "0");
        EXPECT_EQ(record[7], "none");
        EXPECT_EQ(record[8], "false");
    }
    EXPECT_EQ(found, 1);
}

TEST_F(Console, ProcessesListTheRunningProgramWithItsGrade) {
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "notepad.exe", child));
    for (const char* format : {"json", "csv", "text"}) {
        Ran ran = RunVantorilec(std::string("processes --format ") + format);
        ASSERT_EQ(ran.code, 0u) << format << ran.err;
        EXPECT_EQ(ran.err, "") << format;
        if (std::string(format) == "json") {
            json doc = json::parse(ran.out);
            EXPECT_EQ(doc["kind"], "processes");
            const json* row = nullptr;
            for (const auto& item : doc["items"])
                if (item["pid"] == child.id) row = &item;
            ASSERT_NE(row, nullptr);
            EXPECT_EQ((*row)["name"], "notepad.exe");
            EXPECT_EQ((*row)["folder"], dir.path() + "\\");
            EXPECT_EQ((*row)["path"], dir / "notepad.exe");
            EXPECT_EQ((*row)["system"], false);
            EXPECT_EQ((*row)["grade"], 1);
            EXPECT_EQ((*row)["verdict"], "safe");
            EXPECT_EQ((*row)["impostor"], false);
        } else if (std::string(format) == "csv") {
            auto table = ParseCsv(ran.out);
            bool seen = false;
            for (const auto& r : table)
                if (r.size() == 11 && r[3] == std::to_string(child.id)) {
                    seen = true;
                    EXPECT_EQ(r[0], "notepad.exe");
                    EXPECT_EQ(r[2], dir / "notepad.exe");
                    EXPECT_EQ(r[6], "safe");
                    EXPECT_EQ(r[7], "false");
                }
            EXPECT_TRUE(seen);
        } else {
            auto lines = Lines(ran.out);
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines[0].rfind("name", 0), 0u);
            bool seen = false;
            for (const auto& l : lines)
                if (l.find(dir / "notepad.exe") != std::string::npos) seen = l.find("safe") != std::string::npos;
            EXPECT_TRUE(seen) << ran.out;
        }
    }
}

// A copy of a program named like a system process, started from a temporary folder, is
// flagged in every format; the system programs the prefix runs are not.
TEST_F(Console, AProcessWithASystemNameOutsideTheWindowsFolderIsAnImpostor) {
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "svchost.exe", child));
    const std::string id = std::to_string(child.id);
    // Under load a just-started program's path can take a moment to become readable.
    json items;
    auto hasChild = [&] {
        for (const auto& item : items)
            if (item["pid"] == child.id) return true;
        return false;
    };
    for (int attempt = 0; attempt < 5 && !hasChild(); ++attempt) {
        if (attempt) ::Sleep(500);
        Ran listed = RunVantorilec("processes --format json --no-reputation");
        ASSERT_EQ(listed.code, 0u) << listed.err;
        items = json::parse(listed.out)["items"];
    }
    ASSERT_TRUE(hasChild());
    int genuine = 0;
    for (const auto& item : items) {
        const std::string name = item["name"].get<std::string>();
        if (item["pid"] == child.id) {
            EXPECT_EQ(name, "svchost.exe");
            EXPECT_EQ(item["impostor"], true);
        } else if (IsSystemProgramName(name)) {
            // The prefix's own services.exe, explorer.exe ... run from the Windows folder.
            ++genuine;
            EXPECT_EQ(item["impostor"], false) << item["path"];
        }
    }
    EXPECT_GT(genuine, 0);

    Ran csv = RunVantorilec("processes --format csv --no-reputation");
    ASSERT_EQ(csv.code, 0u) << csv.err;
    auto table = ParseCsv(csv.out);
    ASSERT_FALSE(table.empty());
    const auto column = std::find(table[0].begin(), table[0].end(), "impostor") - table[0].begin();
    ASSERT_LT(static_cast<size_t>(column), table[0].size());
    int flagged = 0;
    for (const auto& r : table)
        if (r.size() == table[0].size() && r[3] == id) flagged += r[static_cast<size_t>(column)] == "true";
    EXPECT_EQ(flagged, 1);

    // The text's last fields are the file's: without the checks they read "unknown".
    Ran text = RunVantorilec("processes --no-reputation --no-signatures");
    ASSERT_EQ(text.code, 0u) << text.err;
    auto lines = Lines(text.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("impostor"), std::string::npos);
    bool seen = false;
    for (std::string l : lines) {
        if (l.find(dir / "svchost.exe") == std::string::npos) continue;
        ASSERT_GE(l.size(), 7u);
        EXPECT_EQ(l.substr(l.size() - 7), "unknown");
        l.resize(l.find_last_not_of(' ', l.size() - 8) + 1);
        seen = l.substr(l.size() - 4) == "true";
    }
    EXPECT_TRUE(seen) << text.out;
}

// A service made for the test and deleted at the end of its scope.
class ConsoleService {
public:
    ConsoleService(const std::string& name, const std::string& image)
        : manager_(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
        if (manager_)
            service_.reset(::CreateServiceW(manager_.get(), Widen(name).c_str(), Widen(name).c_str(),
                                            SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                            SERVICE_ERROR_NORMAL, Widen(image).c_str(), nullptr, nullptr, nullptr,
                                            nullptr, nullptr));
    }
    ~ConsoleService() {
        if (service_) ::DeleteService(service_.get());
    }
    ConsoleService(const ConsoleService&) = delete;
    ConsoleService& operator=(const ConsoleService&) = delete;
    bool Made() const { return static_cast<bool>(service_); }

private:
    UniqueScHandle manager_, service_;
};

// The other autostart places: every field of a planted policy value and service, graded
// through the service by the file they run, and Windows' own service among them.
TEST_F(Console, AutostartRowsNameTheirPlaceTheirFileAndTheirGrade) {
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const std::string policyKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run";
    PlantedValue policy(HKEY_CURRENT_USER, policyKey, "vtc policy " + tag, "\"C:\\vt\\svch0st.exe\" /q");
    ConsoleService service("VtcAgent" + tag, "C:\\vt\\svc host\\vtc agent.exe -k");
    ASSERT_TRUE(service.Made());

    Ran ran = RunVantorilec("autostart --format json");
    ASSERT_EQ(ran.code, 0u) << ran.err;
    json doc = json::parse(ran.out);
    EXPECT_EQ(doc["kind"], "autostart");
    const json* p = FindItem(doc["items"], "vtc policy " + tag);
    ASSERT_NE(p, nullptr) << ran.out;
    EXPECT_EQ((*p)["command"], "\"C:\\vt\\svch0st.exe\" /q");
    EXPECT_EQ((*p)["category"], "policies-run");
    EXPECT_EQ((*p)["location"], "HKCU\\" + policyKey);
    EXPECT_EQ((*p)["view"], "native");
    EXPECT_EQ((*p)["file"], "C:\\vt\\svch0st.exe");
    EXPECT_EQ((*p)["disabled"], false);
    EXPECT_EQ((*p)["grade"], 2);
    EXPECT_EQ((*p)["verdict"], "infected");
    EXPECT_EQ((*p)["impostor"], false);
    const json* s = FindItem(doc["items"], "VtcAgent" + tag);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ((*s)["category"], "service");
    EXPECT_EQ((*s)["location"], "HKLM\\System\\CurrentControlSet\\Services\\VtcAgent" + tag);
    EXPECT_EQ((*s)["file"], "C:\\vt\\svc host\\vtc agent.exe");
    EXPECT_EQ((*s)["grade"], 4);
    EXPECT_EQ((*s)["verdict"], "unknown");
    const json* plugPlay = FindItem(doc["items"], "PlugPlay");
    ASSERT_NE(plugPlay, nullptr);
    EXPECT_EQ((*plugPlay)["verdict"], "safe");

    // Without the service every grade is 0, and nothing is asked.
    const size_t asked = ServiceQueries().size();
    Ran quiet = RunVantorilec("autostart --format csv --no-reputation");
    ASSERT_EQ(quiet.code, 0u) << quiet.err;
    EXPECT_EQ(ServiceQueries().size(), asked);
    const std::vector<std::string> lines = Lines(quiet.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "name,command,category,location,view,file,disabled,grade,verdict,impostor");
    bool found = false;
    for (const std::string& line : lines)
        if (line.rfind("vtc policy " + tag + ",", 0) == 0) {
            found = true;
            EXPECT_NE(line.find(",0,none,false"), std::string::npos) << line;
        }
    EXPECT_TRUE(found) << quiet.out;
}

TEST_F(Console, BadArgumentsExitTwoWithAReasonAndTheUsageAndNothingOnStandardOutput) {
    const char* cases[] = {
        "", "list", "processes --format xml", "processes --output", "startup --system", "processes extra", "--bogus"};
    for (const char* args : cases) {
        Ran ran = RunVantorilec(args);
        EXPECT_EQ(ran.code, 2u) << args;
        EXPECT_EQ(ran.out, "") << args;
        auto lines = Lines(ran.err);
        ASSERT_GE(lines.size(), 2u) << args;
        EXPECT_EQ(lines[0].rfind("vantorilec: ", 0), 0u) << args;
        EXPECT_EQ(lines[1], "Uso:") << args;
    }
    Ran help = RunVantorilec("--help");
    EXPECT_EQ(help.code, 0u);
    EXPECT_NE(help.out.find("processes"), std::string::npos);
    EXPECT_EQ(help.err, "");
    Ran version = RunVantorilec("--version");
    EXPECT_EQ(version.code, 0u);
    EXPECT_EQ(version.out, "vantorilec 1.0.0\n");
}

TEST_F(Console, UnwritableOutputExitsThree) {
    const std::string cases[] = {dir / "missing\\folder\\out.json", dir.path()};
    for (const auto& out : cases) {
        Ran ran = RunVantorilec("startup --no-reputation --format json --output \"" + out + "\"");
        EXPECT_EQ(ran.code, 3u) << out;
        EXPECT_EQ(ran.out, "") << out;
        EXPECT_EQ(Lines(ran.err).size(), 1u) << ran.err;
    }
}

TEST_F(Console, UnreachableServiceGivesOneWarningAndGradeZero) {
    RunValue a(HKEY_CURRENT_USER, kKeyRun, "vtc one", "notepad.exe");
    RunValue b(HKEY_CURRENT_USER, kKeyRun, "vtc two", "svch0st.exe");
    EnvOverride env("VANTORILE_REPUTATION_URL", "http://127.0.0.1:" + std::to_string(ClosedPort()));
    for (const char* kind : {"startup", "processes"}) {
        Ran ran = RunVantorilec(std::string(kind) + " --format json");
        ASSERT_EQ(ran.code, 0u) << kind;
        auto lines = Lines(ran.err);
        ASSERT_EQ(lines.size(), 1u) << ran.err;
        EXPECT_EQ(lines[0].rfind("vantorilec: ", 0), 0u);
        json doc = json::parse(ran.out);
        ASSERT_FALSE(doc["items"].empty());
        for (const auto& item : doc["items"]) {
            EXPECT_EQ(item["grade"], 0) << item.dump();
            EXPECT_EQ(item["verdict"], "none");
        }
    }
}

// Rows naming one program however it is spelt cost one question, and all get its answer.
TEST_F(Console, EachProgramIsAskedOnceAndItsAnswerGradesEveryRowOfIt) {
    RunValue a(HKEY_CURRENT_USER, kKeyRun, "vtc once a", "C:\\uno\\Svch0st.exe /a");
    RunValue b(HKEY_CURRENT_USER, kKeyRunOnce, "vtc once b", "\"C:\\due\\SVCH0ST.EXE\"");
    RunValue c(HKEY_CURRENT_USER, kKeyRun, "vtc once c", "svch0st.exe");
    const size_t before = ServiceQueries().size();
    Ran ran = RunVantorilec("startup --format json");
    ASSERT_EQ(ran.code, 0u) << ran.err;
    const std::vector<std::string> queries = ServiceQueries();
    ASSERT_GE(queries.size(), before);
    const auto asked = std::count_if(queries.begin() + static_cast<std::ptrdiff_t>(before), queries.end(),
                                     [](const std::string& q) { return LowerAscii(q) == "svch0st.exe"; });
    EXPECT_EQ(asked, 1);
    const json items = json::parse(ran.out)["items"];
    for (const char* name : {"vtc once a", "vtc once b", "vtc once c"}) {
        const json* item = FindItem(items, name);
        ASSERT_NE(item, nullptr) << name << ran.out;
        EXPECT_EQ((*item)["grade"], 2) << name;
        EXPECT_EQ((*item)["verdict"], "infected") << name;
    }
}

TEST_F(Console, NoReputationAsksNothing) {
    RunValue a(HKEY_CURRENT_USER, kKeyRun, "vtc quiet", "notepad.exe");
    const size_t before = ServiceQueries().size();
    for (const char* kind : {"startup", "processes"}) {
        Ran ran = RunVantorilec(std::string(kind) + " --no-reputation --format json");
        ASSERT_EQ(ran.code, 0u);
        EXPECT_EQ(ran.err, "");
        for (const auto& item : json::parse(ran.out)["items"]) EXPECT_EQ(item["grade"], 0);
    }
    EXPECT_EQ(ServiceQueries().size(), before);
    // Without the option the same run does ask.
    ASSERT_EQ(RunVantorilec("startup --format csv").code, 0u);
    EXPECT_GT(ServiceQueries().size(), before);
}

// Who made each row's file: the signed fixture with its root trusted, the same program
// with a byte changed, an unsigned copy running as a process, a missing file; and nothing
// of it with --no-signatures or for a row that names no file.
TEST_F(Console, EveryRowCarriesItsFilesSignatureSignerAndHash) {
    const std::string signedExe = dir / "firmato.exe";
    const std::string tampered = dir / "manomesso.exe";
    CopyFixture("sig_signed.exe", signedExe);
    std::string bytes = ReadBytes(signedExe);
    ASSERT_GT(bytes.size(), 2001u);
    bytes[2000] = static_cast<char>(bytes[2000] ^ 0x5A);
    ASSERT_TRUE(WriteFile(tampered, bytes));
    RunValue a(HKEY_CURRENT_USER, kKeyRun, "vtc firmato", "\"" + signedExe + "\" /q");
    RunValue b(HKEY_CURRENT_USER, kKeyRun, "vtc manomesso", tampered);
    RunValue c(HKEY_CURRENT_USER, kKeyRun, "vtc assente", dir / "assente.exe");
    ChildProcess child;
    ASSERT_TRUE(StartSleeper(dir.path(), "semplice.exe", child));

    struct Want {
        const char* name;
        const char* signature;
        std::string signer;
        bool hashed;
    };
    const Want startup[] = {{"vtc firmato", "verified", kTestSigner, true},
                            {"vtc manomesso", "invalid", "", true},
                            {"vtc assente", "unknown", "", false}};
    json items;
    {
        // The console program reads the Root store afresh, so it trusts the root.
        TrustedTestRoot root;
        Ran ran = RunVantorilec("startup --format json --no-reputation");
        ASSERT_EQ(ran.code, 0u) << ran.err;
        items = json::parse(ran.out)["items"];
    }
    for (const Want& w : startup) {
        const json* item = FindItem(items, w.name);
        ASSERT_NE(item, nullptr) << w.name;
        EXPECT_EQ((*item)["signature"], w.signature) << w.name;
        EXPECT_EQ((*item)["signer"], w.signer) << w.name;
        EXPECT_EQ((*item)["sha256"].get<std::string>().size(), w.hashed ? 64u : 0u) << w.name;
    }
    EXPECT_EQ((*FindItem(items, "vtc firmato"))["sha256"], FileSignature().Sha256(signedExe));

    // Processes, in CSV: the unsigned copy that runs, and the rows without a path.
    Ran csv = RunVantorilec("processes --system --format csv --no-reputation");
    ASSERT_EQ(csv.code, 0u) << csv.err;
    auto table = ParseCsv(csv.out);
    ASSERT_FALSE(table.empty());
    const std::vector<std::string>& header = table[0];
    ASSERT_GE(header.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(header.end() - 3, header.end()),
              (std::vector<std::string>{"signature", "signer", "sha256"}));
    const size_t sig = header.size() - 3;
    int seen = 0;
    for (const auto& r : table) {
        if (r.size() != header.size()) continue;
        if (r[3] == std::to_string(child.id)) {
            ++seen;
            EXPECT_EQ(r[sig], "unsigned");
            EXPECT_EQ(r[sig + 1], "");
            EXPECT_EQ(r[sig + 2], FileSignature().Sha256(dir / "semplice.exe"));
        }
        // Wine lets every process's path be read, so there may be none of these here.
        if (r[1] == "SYSTEM") {
            EXPECT_EQ(r[sig], "unknown") << r[0];
            EXPECT_EQ(r[sig + 1] + r[sig + 2], "") << r[0];
        }
    }
    EXPECT_EQ(seen, 1);

    // --no-signatures checks nothing, in every form.
    for (const char* format : {"json", "csv", "text"}) {
        Ran none = RunVantorilec(std::string("startup --no-reputation --no-signatures --format ") + format);
        ASSERT_EQ(none.code, 0u) << format << none.err;
        EXPECT_EQ(none.out.find("verified"), std::string::npos) << format;
        EXPECT_EQ(none.out.find("invalid"), std::string::npos) << format;
        EXPECT_EQ(none.out.find(kTestSigner), std::string::npos) << format;
        EXPECT_NE(none.out.find("unknown"), std::string::npos) << format;
    }
    Ran none = RunVantorilec("startup --no-reputation --no-signatures --format json");
    for (const auto& item : json::parse(none.out)["items"]) {
        EXPECT_EQ(item["signature"], "unknown") << item.dump();
        EXPECT_EQ(item["signer"], "");
        EXPECT_EQ(item["sha256"], "");
    }
}

}  // namespace
}  // namespace vt::test
