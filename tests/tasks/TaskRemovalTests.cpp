#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <taskschd.h>

#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "tasks/TaskRemoval.h"
#include "tasks/TaskFixtures.h"
#include "tasks/pure/TaskXml.h"

namespace vt::test {
namespace {

std::string ReadAll(const std::string& path) {
    std::string bytes;
    UniqueFileHandle f(
        ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return bytes;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return bytes;
}

// The one entry of a planted task, as the scan gives it.
ScheduledTaskEntry EntryOf(const PlantedTasks& planted, const std::string& relative) {
    for (const auto& e : ListScheduledTasks(TaskSource::Files, planted.folder())) {
        if (e.path == "\\" + relative) {
            ScheduledTaskEntry out = e;
            out.path = planted.taskPath(relative);  // where the service has it
            return out;
        }
    }
    ADD_FAILURE() << "no entry for " << relative;
    return {};
}

void ExpectSameDefinition(const std::string& a, const std::string& b) {
    auto x = tasks::ReadTaskXml(a, "\\x"), y = tasks::ReadTaskXml(b, "\\x");
    ASSERT_TRUE(x.ok && y.ok) << x.error << " / " << y.error;
    EXPECT_EQ(x.task.path, y.task.path);
    EXPECT_EQ(x.task.author, y.task.author);
    EXPECT_EQ(x.task.enabled, y.task.enabled);
    EXPECT_EQ(x.task.hidden, y.task.hidden);
    EXPECT_EQ(x.task.triggers, y.task.triggers);
    ASSERT_EQ(x.task.actions.size(), y.task.actions.size());
    for (size_t i = 0; i < x.task.actions.size(); ++i) {
        EXPECT_EQ(x.task.actions[i].command, y.task.actions[i].command);
        EXPECT_EQ(x.task.actions[i].arguments, y.task.actions[i].arguments);
    }
}

class Removal : public ::testing::Test {
protected:
    std::string Backups() const { return dir_.path() + "\\Vantorile\\Backup"; }

    TempDir dir_;
    LocalAppData local_{dir_.path()};
    PlantedTasks planted_;
    TaskServiceRunning service_;
};

TEST_F(Removal, TheDefinitionIsSavedWholeThenTheTaskIsDeletedThroughTheService) {
    ASSERT_TRUE(service_.running());
    const std::string xml = TaskXml("    <LogonTrigger/>\r\n",
                                    Exec("C:\\vt\\upd\\updater.exe", "/silent") + Exec("C:\\vt\\upd\\second.exe"));
    const std::string original = Utf16File(xml);
    ASSERT_TRUE(planted_.Plant("Vendor\\Updater", original));
    const ScheduledTaskEntry entry = EntryOf(planted_, "Vendor\\Updater");

    const TaskRemovalResult r = RemoveScheduledTask(entry);
    ASSERT_EQ(r.status, TaskRemovalStatus::Removed) << r.reason;
    EXPECT_FALSE(FileExists(planted_.folder() + "\\Vendor\\Updater"));

    // Named after the task and the day, in the backup folder: the system's bytes as they were.
    EXPECT_EQ(r.backupFile.rfind(Backups() + "\\Updater-", 0), 0u) << r.backupFile;
    EXPECT_EQ(r.backupFile.substr(r.backupFile.size() - 4), ".xml");
    const std::string saved = ReadAll(r.backupFile);
    EXPECT_EQ(saved, original);
    ExpectSameDefinition(saved, xml);
}

TEST_F(Removal, AUtf8DefinitionIsSavedAsUtf16ThatSaysSo) {
    ASSERT_TRUE(service_.running());
    std::string xml = TaskXml("    <BootTrigger/>\r\n", Exec("C:\\vt\\caff\xc3\xa8\\b.exe", "-x \xe2\x82\xac"));
    const std::string utf8 = xml.replace(xml.find("UTF-16"), 6, "UTF-8");
    ASSERT_TRUE(planted_.Plant("Utf8", utf8));
    const TaskRemovalResult r = RemoveScheduledTask(EntryOf(planted_, "Utf8"));
    ASSERT_EQ(r.status, TaskRemovalStatus::Removed) << r.reason;
    const std::string saved = ReadAll(r.backupFile);
    std::string expected = utf8;
    expected.replace(expected.find("UTF-8"), 5, "UTF-16");
    EXPECT_EQ(saved, Utf16File(expected));
    ExpectSameDefinition(saved, utf8);
}

TEST_F(Removal, ACopyOfTheSameNameOnTheSameDayIsNeverOverwritten) {
    ASSERT_TRUE(service_.running());
    const std::string a = Utf16File(TaskXml("", Exec("C:\\vt\\a.exe")));
    const std::string b = Utf16File(TaskXml("", Exec("C:\\vt\\b.exe")));
    ASSERT_TRUE(planted_.Plant("One\\Same", a));
    ASSERT_TRUE(planted_.Plant("Two\\Same", b));
    const TaskRemovalResult first = RemoveScheduledTask(EntryOf(planted_, "One\\Same"));
    const TaskRemovalResult second = RemoveScheduledTask(EntryOf(planted_, "Two\\Same"));
    ASSERT_EQ(first.status, TaskRemovalStatus::Removed) << first.reason;
    ASSERT_EQ(second.status, TaskRemovalStatus::Removed) << second.reason;
    EXPECT_NE(first.backupFile, second.backupFile);
    EXPECT_EQ(second.backupFile.substr(second.backupFile.size() - 6), "-2.xml") << second.backupFile;
    EXPECT_EQ(ReadAll(first.backupFile), a);
    EXPECT_EQ(ReadAll(second.backupFile), b);
}

TEST_F(Removal, NothingIsTouchedWhenItCannotBeSavedOrBelongsToWindows) {
    ASSERT_TRUE(planted_.Plant("Defrag", Utf16File(TaskXml("", Exec("%windir%\\system32\\defrag.exe", "-c")))));
    ASSERT_TRUE(planted_.Plant("Mixed", Utf16File(TaskXml("", Exec("C:\\vt\\mine.exe") + Exec("explorer.exe")))));
    ASSERT_TRUE(planted_.Plant("Broken", "<Task><Actions><Exec><Command>C:\\vt\\x.exe"));
    ASSERT_TRUE(planted_.Plant("Fine", Utf16File(TaskXml("", Exec("C:\\vt\\fine.exe")))));

    for (const char* windows : {"Defrag", "Mixed"}) {
        const TaskRemovalResult r = RemoveScheduledTask(EntryOf(planted_, windows));
        EXPECT_EQ(r.status, TaskRemovalStatus::WindowsTask) << windows << ": " << r.reason;
        EXPECT_TRUE(FileExists(planted_.folder() + "\\" + windows)) << windows;
    }
    const TaskRemovalResult broken = RemoveScheduledTask(EntryOf(planted_, "Broken"));
    EXPECT_EQ(broken.status, TaskRemovalStatus::NotSaved);
    EXPECT_FALSE(broken.reason.empty());
    EXPECT_TRUE(FileExists(planted_.folder() + "\\Broken"));

    // A backup folder that cannot be made: no copy, no deletion.
    ASSERT_TRUE(WriteFile(dir_.path() + "\\Vantorile", "a file where the folder goes"));
    const TaskRemovalResult unsaved = RemoveScheduledTask(EntryOf(planted_, "Fine"));
    EXPECT_EQ(unsaved.status, TaskRemovalStatus::NotSaved);
    EXPECT_EQ(unsaved.backupFile, "");
    EXPECT_FALSE(unsaved.reason.empty());
    EXPECT_TRUE(FileExists(planted_.folder() + "\\Fine"));
    EXPECT_FALSE(FileExists(Backups()));
}

// Through the service alone: registered, read back, saved, deleted.
class ServiceTask {
public:
    ServiceTask(const std::string& folder, const std::string& name, const std::string& xml)
        : folder_(folder),
          name_(name) {
        if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                      service_.put_void())))
            return;
        VARIANT none;
        ::VariantInit(&none);
        if (FAILED(service_->Connect(none, none, none, none))) return;
        ComPtr<ITaskFolder> root;
        UniqueBstr rootPath(::SysAllocString(L"\\"));
        if (FAILED(service_->GetFolder(rootPath.get(), root.put()))) return;
        UniqueBstr folderPath(::SysAllocString(Widen(folder).c_str()));
        ComPtr<ITaskFolder> sub;
        if (FAILED(root->CreateFolder(folderPath.get(), none, sub.put())) &&
            FAILED(service_->GetFolder(folderPath.get(), sub.put())))
            return;
        UniqueBstr taskName(::SysAllocString(Widen(name).c_str()));
        UniqueBstr text(::SysAllocString(Widen(xml).c_str()));
        ComPtr<IRegisteredTask> task;
        registered_ = SUCCEEDED(sub->RegisterTask(taskName.get(), text.get(), TASK_CREATE_OR_UPDATE, none, none,
                                                  TASK_LOGON_INTERACTIVE_TOKEN, none, task.put()));
    }
    ~ServiceTask() {
        if (!service_) return;
        ComPtr<ITaskFolder> root, sub;
        UniqueBstr rootPath(::SysAllocString(L"\\"));
        UniqueBstr folderPath(::SysAllocString(Widen(folder_).c_str()));
        UniqueBstr taskName(::SysAllocString(Widen(name_).c_str()));
        if (SUCCEEDED(service_->GetFolder(folderPath.get(), sub.put()))) sub->DeleteTask(taskName.get(), 0);
        if (SUCCEEDED(service_->GetFolder(rootPath.get(), root.put()))) root->DeleteFolder(folderPath.get(), 0);
    }
    ServiceTask(const ServiceTask&) = delete;
    ServiceTask& operator=(const ServiceTask&) = delete;
    bool registered() const { return registered_; }
    // Whether the service still has the task, and whether it runs.
    bool Exists(const std::string& path, bool* enabled = nullptr) const {
        ComPtr<ITaskFolder> root;
        ComPtr<IRegisteredTask> task;
        UniqueBstr rootPath(::SysAllocString(L"\\"));
        UniqueBstr taskPath(::SysAllocString(Widen(path).c_str()));
        if (FAILED(service_->GetFolder(rootPath.get(), root.put())) ||
            FAILED(root->GetTask(taskPath.get(), task.put())))
            return false;
        VARIANT_BOOL on = VARIANT_FALSE;
        if (enabled && SUCCEEDED(task->get_Enabled(&on))) *enabled = on != VARIANT_FALSE;
        return true;
    }

private:
    ComScope com_;
    ComPtr<ITaskService> service_;
    std::string folder_, name_;
    bool registered_ = false;
};

TEST_F(Removal, ATaskTheServiceGaveIsSavedFromItsTextAndDeleted) {
    ASSERT_TRUE(service_.running());
    const std::string folder = "\\VantorileServiceTests" + std::to_string(::GetCurrentProcessId());
    ServiceTask registered(folder, "Registered", TaskXml("    <LogonTrigger/>\r\n", Exec("C:\\vt\\svc\\r.exe")));
    ASSERT_TRUE(registered.registered());
    ScheduledTaskEntry entry;
    entry.path = folder + "\\Registered";
    entry.name = "Registered";
    const TaskRemovalResult r = RemoveScheduledTask(entry);
    ASSERT_EQ(r.status, TaskRemovalStatus::Removed) << r.reason;
    EXPECT_FALSE(registered.Exists(entry.path));
    // The service's text, whole, in the system's format (Wine's service keeps no actions).
    const std::string saved = ReadAll(r.backupFile);
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE");
    auto back = tasks::ReadTaskXml(saved, entry.path);
    EXPECT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.task.author, "Vantorile Tests");
}

TEST_F(Removal, SwitchingATaskOffSaysWhetherTheServiceDidIt) {
    ASSERT_TRUE(service_.running());
    const std::string folder = "\\VantorileServiceTests" + std::to_string(::GetCurrentProcessId());
    ServiceTask registered(folder, "Toggle", TaskXml("", Exec("C:\\vt\\t.exe")));
    ASSERT_TRUE(registered.registered());
    const std::string path = folder + "\\Toggle";
    const TaskChangeResult r = EnableScheduledTask(path, false);
    bool enabled = true;
    ASSERT_TRUE(registered.Exists(path, &enabled));
    // Done exactly when the task is off now; otherwise the reason says why.
    EXPECT_EQ(r.done, !enabled) << r.reason;
    EXPECT_EQ(r.reason.empty(), r.done) << r.reason;
    const TaskChangeResult missing = EnableScheduledTask(folder + "\\NoSuchTask", false);
    EXPECT_FALSE(missing.done);
    EXPECT_FALSE(missing.reason.empty());
}

}  // namespace
}  // namespace vt::test
