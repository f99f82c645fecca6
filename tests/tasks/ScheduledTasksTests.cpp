#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <memory>

#include "core/Wildcard.h"
#include "platform/FileRemoval.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "tasks/ScheduledTasks.h"
#include "tasks/TaskFixtures.h"

namespace vt::test {
namespace {

using tasks::ActionKind;
using tasks::TriggerKind;

// A class of our own registered for the user, as the merged classes view sees it, for
// the scope.
class TestClass {
public:
    explicit TestClass(const std::string& server) {
        GUID g{};
        ::CoCreateGuid(&g);
        wchar_t text[64] = {};
        ::StringFromGUID2(g, text, 64);
        id_ = Narrow(text);
        key_ = "Software\\Classes\\CLSID\\" + id_;
        // The narrow call takes the text as it is.
        PutRegValue(HKEY_CURRENT_USER, key_ + "\\InprocServer32", "", REG_EXPAND_SZ, server + '\0');
    }
    ~TestClass() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Widen(key_).c_str()); }
    TestClass(const TestClass&) = delete;
    TestClass& operator=(const TestClass&) = delete;
    const std::string& id() const { return id_; }
    const std::string& key() const { return key_; }

private:
    std::string id_, key_;
};

std::vector<ScheduledTaskEntry> Below(const std::vector<ScheduledTaskEntry>& all, const std::string& prefix) {
    std::vector<ScheduledTaskEntry> out;
    for (const auto& e : all) {
        if (e.path.rfind(prefix, 0) == 0) out.push_back(e);
    }
    return out;
}

const ScheduledTaskEntry* Find(const std::vector<ScheduledTaskEntry>& entries, const std::string& path,
                               int action = 0) {
    for (const auto& e : entries) {
        if (e.path == path && e.action == action) return &e;
    }
    return nullptr;
}

class Planted : public ::testing::Test {
protected:
    void SetUp() override {
        // 5 MB of description around a task that still has its one action.
        const std::string big = TaskXml("    <LogonTrigger/>\r\n", Exec("C:\\vt\\big.exe"), true, false,
                                        "    <Description>" + std::string(5u << 20, 'd') + "</Description>\r\n");
        const std::string updater =
            TaskXml("    <LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n    </LogonTrigger>\r\n",
                    Exec("C:\\vt\\upd\\updater.exe", "/silent"), true, false, "    <URI>\\Somewhere\\Else</URI>\r\n");
        const std::string utf8 = "encoding=\"UTF-8\"";
        std::string boot =
            TaskXml("    <BootTrigger/>\r\n", Exec("\"%windir%\\system32\\rundll32.exe\"", "C:\\vt\\lib.dll,Start") +
                                                  Exec("C:\\vt\\boot\\second.exe", "-b", "C:\\vt\\boot"));
        boot.replace(boot.find("encoding=\"UTF-16\""), 17, utf8);
        ASSERT_TRUE(planted_.Plant("Vendor\\Updater", Utf16File(updater)));
        ASSERT_TRUE(planted_.Plant("Vendor\\Sub\\Boot", boot));
        ASSERT_TRUE(planted_.Plant("Hidden", Utf8BomFile(TaskXml("    <TimeTrigger/>\r\n    <IdleTrigger/>\r\n",
                                                                 Exec("cmd.exe", "/c C:\\vt\\x.cmd"), true, true))));
        ASSERT_TRUE(planted_.Plant("Disabled",
                                   Utf16File(TaskXml("    <CalendarTrigger/>\r\n", Exec("C:\\vt\\off.exe"), false))));
        ASSERT_TRUE(
            planted_.Plant("Com\\Handler", Utf16File(TaskXml("    <SessionStateChangeTrigger/>\r\n",
                                                             "    <ComHandler>\r\n      <ClassId>" + class_.id() +
                                                                 "</ClassId>\r\n    </ComHandler>\r\n"))));
        const std::string whole = Utf16File(updater);
        ASSERT_TRUE(planted_.Plant("Broken\\Cut", whole.substr(0, whole.size() / 2)));
        ASSERT_TRUE(planted_.Plant("Broken\\NotXml", "Questo file non contiene una definizione.\r\n"));
        ASSERT_TRUE(planted_.Plant("Broken\\Empty", ""));
        ASSERT_TRUE(planted_.Plant("Big", Utf16File(big)));
    }

    std::string P(const std::string& relative) const { return planted_.taskPath(relative); }

    PlantedTasks planted_;
    TestClass class_{"C:\\vt\\handler.dll"};
};

TEST_F(Planted, EveryTaskFileIsListedAsItIsWritten) {
    std::vector<ScheduledTaskEntry> all = ListScheduledTasks();
    const auto entries = Below(all, P(""));
    // Nine files; the boot task has two actions.
    ASSERT_EQ(entries.size(), 10u);

    const auto* updater = Find(entries, P("Vendor\\Updater"));
    ASSERT_NE(updater, nullptr);
    EXPECT_EQ(updater->name, "Updater");
    EXPECT_EQ(updater->author, "Vantorile Tests");
    EXPECT_EQ(updater->kind, ActionKind::Exec);
    EXPECT_EQ(updater->commandLine, "C:\\vt\\upd\\updater.exe /silent");
    EXPECT_EQ(updater->command, "C:\\vt\\upd\\updater.exe");
    EXPECT_EQ(updater->arguments, "/silent");
    EXPECT_EQ(updater->file, "C:\\vt\\upd\\updater.exe");
    EXPECT_EQ(updater->triggers, std::vector<TriggerKind>{TriggerKind::Logon});
    EXPECT_TRUE(updater->enabled);
    EXPECT_FALSE(updater->hidden);
    EXPECT_FALSE(updater->unreadable);
    EXPECT_EQ(updater->definitionFile, planted_.folder() + "\\Vendor\\Updater");

    const auto* first = Find(entries, P("Vendor\\Sub\\Boot"), 0);
    const auto* second = Find(entries, P("Vendor\\Sub\\Boot"), 1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->actions, 2);
    EXPECT_EQ(first->triggers, std::vector<TriggerKind>{TriggerKind::Boot});
    EXPECT_EQ(first->commandLine, "\"%windir%\\system32\\rundll32.exe\" C:\\vt\\lib.dll,Start");
    EXPECT_EQ(LowerAscii(first->file), LowerAscii(WindowsFolderPath() + "\\system32\\rundll32.exe"));
    EXPECT_EQ(second->commandLine, "C:\\vt\\boot\\second.exe -b");
    EXPECT_EQ(second->workingDirectory, "C:\\vt\\boot");
    EXPECT_EQ(second->triggers, first->triggers);

    const auto* hidden = Find(entries, P("Hidden"));
    ASSERT_NE(hidden, nullptr);
    EXPECT_TRUE(hidden->hidden);
    EXPECT_EQ(hidden->triggers, (std::vector<TriggerKind>{TriggerKind::Time, TriggerKind::Idle}));
    // A bare program name is the file the search path finds.
    EXPECT_EQ(LowerAscii(hidden->file), LowerAscii(WindowsFolderPath() + "\\system32\\cmd.exe"));

    const auto* disabled = Find(entries, P("Disabled"));
    ASSERT_NE(disabled, nullptr);
    EXPECT_FALSE(disabled->enabled);

    const auto* com = Find(entries, P("Com\\Handler"));
    ASSERT_NE(com, nullptr);
    EXPECT_EQ(com->kind, ActionKind::ComHandler);
    EXPECT_EQ(com->classId, class_.id());
    EXPECT_EQ(com->handler, "C:\\vt\\handler.dll");
    EXPECT_EQ(com->file, "C:\\vt\\handler.dll");
    EXPECT_EQ(com->commandLine, "C:\\vt\\handler.dll");
    EXPECT_EQ(com->triggers, std::vector<TriggerKind>{TriggerKind::SessionChange});

    for (const char* broken : {"Broken\\Cut", "Broken\\NotXml", "Broken\\Empty"}) {
        const auto* e = Find(entries, P(broken));
        ASSERT_NE(e, nullptr) << broken;
        EXPECT_TRUE(e->unreadable) << broken;
        EXPECT_FALSE(e->error.empty()) << broken;
        EXPECT_EQ(e->name, std::string(broken).substr(7)) << broken;
        EXPECT_EQ(e->commandLine, "") << broken;
        EXPECT_EQ(e->file, "") << broken;
    }

    const auto* big = Find(entries, P("Big"));
    ASSERT_NE(big, nullptr);
    EXPECT_FALSE(big->unreadable) << big->error;
    EXPECT_EQ(big->description.size(), 5u << 20);
    EXPECT_EQ(big->commandLine, "C:\\vt\\big.exe");

    // A folder's tasks come before its subfolders', each in the order of their names.
    std::vector<std::string> order;
    for (const auto& e : entries) {
        if (order.empty() || order.back() != e.path) order.push_back(e.path);
    }
    EXPECT_EQ(order, (std::vector<std::string>{P("Big"), P("Disabled"), P("Hidden"), P("Broken\\Cut"),
                                               P("Broken\\Empty"), P("Broken\\NotXml"), P("Com\\Handler"),
                                               P("Vendor\\Updater"), P("Vendor\\Sub\\Boot")}));
}

TEST_F(Planted, WineListsThroughTheFilesWhetherOrNotItsServiceRuns) {
    // Under Wine the service connects only while it runs, and then cannot list.
    for (bool withService : {false, true}) {
        std::unique_ptr<TaskServiceRunning> service;
        if (withService) {
            service = std::make_unique<TaskServiceRunning>();
            ASSERT_TRUE(service->running());
        }
        struct Sink : IScheduledTaskScanEvents {
            int n = 0;
            void CurrentTask(const ScheduledTaskEntry&, bool&) override { ++n; }
        } sink;
        ScheduledTaskScan scan(&sink);
        EXPECT_TRUE(scan.Scan());
        EXPECT_EQ(scan.LastSource(), TaskSource::Files) << withService;
        EXPECT_GE(sink.n, 10);
        scan.Source(TaskSource::Service);
        EXPECT_FALSE(scan.Scan());
    }
}

TEST_F(Planted, AnotherFolderOfTaskFilesNamesItsTasksFromItsOwnRoot) {
    auto entries = ListScheduledTasks(TaskSource::Files, planted_.folder() + "\\Vendor");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, "\\Updater");
    EXPECT_EQ(entries[1].path, "\\Sub\\Boot");
}

TEST_F(Planted, TheSinkCancelsAndCannotStartASecondScanInsideTheFirst) {
    struct Sink : IScheduledTaskScanEvents {
        ScheduledTaskScan* scan = nullptr;
        int n = 0;
        bool nested = true;
        void CurrentTask(const ScheduledTaskEntry&, bool& cancel) override {
            if (++n == 1) nested = scan->Scan();
            EXPECT_TRUE(scan->Scanning());
            cancel = n == 3;
        }
    } sink;
    ScheduledTaskScan scan(&sink);
    sink.scan = &scan;
    scan.TasksFolder(planted_.folder());
    EXPECT_FALSE(scan.Scan());
    EXPECT_EQ(sink.n, 3);
    EXPECT_FALSE(sink.nested);
    EXPECT_FALSE(scan.Scanning());
    // And the next scan runs whole.
    sink.n = -100;
    EXPECT_TRUE(scan.Scan());
}

TEST_F(Planted, AClassRegisteredForTheMachineOnlyIsFoundThere) {
    // The user's class goes; the same class under the machine's classes is found instead.
    const std::string machineKey = class_.key() + "\\InprocServer32";
    PlantedValue machine(HKEY_LOCAL_MACHINE, machineKey, "", REG_EXPAND_SZ,
                         std::string("\"%SystemDrive%\\vt\\machine handler.dll\"") + '\0');
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Widen(class_.key()).c_str());
    auto entries = ListScheduledTasks(TaskSource::Files, planted_.folder() + "\\Com");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].handler, "\"%SystemDrive%\\vt\\machine handler.dll\"");
    EXPECT_EQ(LowerAscii(entries[0].file), "c:\\vt\\machine handler.dll");
}

}  // namespace
}  // namespace vt::test
