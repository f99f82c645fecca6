// Task files planted under the prefix's own tasks folder for a test, in the system's own
// format, and the task service kept running while a test needs it.
#pragma once

#include <windows.h>

#include <string>

#include "platform/WinText.h"
#include "support/TestSupport.h"
#include "tasks/ScheduledTasks.h"

namespace vt::test {

// UTF-8 with its byte-order mark.
inline std::string Utf8BomFile(const std::string& utf8) {
    std::string out("\xEF\xBB\xBF", 3);
    return out += utf8;
}

// A definition as the system writes one; `actions` and `triggers` are its elements' XML.
inline std::string TaskXml(const std::string& triggers, const std::string& actions, bool enabled = true,
                           bool hidden = false, const std::string& extraInfo = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           "  <RegistrationInfo>\r\n    <Date>2024-03-01T10:00:00</Date>\r\n    <Author>Vantorile Tests</Author>\r\n" +
           extraInfo + "  </RegistrationInfo>\r\n  <Triggers>\r\n" + triggers +
           "  </Triggers>\r\n"
           "  <Principals>\r\n    <Principal id=\"Author\">\r\n      <LogonType>InteractiveToken</LogonType>\r\n"
           "    </Principal>\r\n  </Principals>\r\n"
           "  <Settings>\r\n    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
           "    <Enabled>" +
           (enabled ? "true" : "false") + "</Enabled>\r\n    <Hidden>" + (hidden ? "true" : "false") +
           "</Hidden>\r\n  </Settings>\r\n  <Actions Context=\"Author\">\r\n" + actions + "  </Actions>\r\n</Task>\r\n";
}

inline std::string Exec(const std::string& command, const std::string& arguments = "",
                        const std::string& workingDirectory = "") {
    std::string x = "    <Exec>\r\n      <Command>" + command + "</Command>\r\n";
    if (!arguments.empty()) x += "      <Arguments>" + arguments + "</Arguments>\r\n";
    if (!workingDirectory.empty()) x += "      <WorkingDirectory>" + workingDirectory + "</WorkingDirectory>\r\n";
    return x + "    </Exec>\r\n";
}

// UTF-16 LE with the byte-order mark: how the system stores its task files.
inline std::string Utf16File(const std::string& utf8) {
    std::string out("\xFF\xFE", 2);
    return out += WideBytes(Widen(utf8), false);
}

// A folder "\VantorileTests<pid>" of the prefix's tasks folder, removed with what is in it.
class PlantedTasks {
public:
    PlantedTasks() : root_(DefaultTasksFolder()), name_("VantorileTests" + std::to_string(::GetCurrentProcessId())) {
        ::CreateDirectoryA(root_.c_str(), nullptr);
        ::CreateDirectoryA(folder().c_str(), nullptr);
    }
    ~PlantedTasks() { RemoveTree(folder()); }
    PlantedTasks(const PlantedTasks&) = delete;
    PlantedTasks& operator=(const PlantedTasks&) = delete;

    // The folder on disk and the task path it stands for.
    std::string folder() const { return root_ + "\\" + name_; }
    std::string taskPath(const std::string& relative) const { return "\\" + name_ + "\\" + relative; }

    // Writes the file `relative` ("Sub\Name"), making its folders.
    bool Plant(const std::string& relative, const std::string& bytes) const {
        std::string path = folder();
        for (size_t start = 0, cut = relative.find('\\'); cut != std::string::npos;
             start = cut + 1, cut = relative.find('\\', start)) {
            path += '\\';
            path.append(relative, start, cut - start);
            ::CreateDirectoryA(path.c_str(), nullptr);
        }
        return WriteFile(folder() + "\\" + relative, bytes);
    }

private:
    std::string root_, name_;
};

struct ServiceHandleTraits {
    static SC_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(SC_HANDLE h) noexcept { ::CloseServiceHandle(h); }
};
using ServiceHandle = UniqueAny<SC_HANDLE, ServiceHandleTraits>;

// The task service running for a scope; stopped again when the scope started it (under
// Wine it starts on demand only).
class TaskServiceRunning {
public:
    TaskServiceRunning() {
        manager_.reset(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager_) return;
        service_.reset(
            ::OpenServiceW(manager_.get(), L"Schedule", SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS));
        if (!service_) return;
        SERVICE_STATUS status{};
        if (::QueryServiceStatus(service_.get(), &status) && status.dwCurrentState == SERVICE_RUNNING) {
            running_ = true;
            return;
        }
        started_ = ::StartServiceW(service_.get(), 0, nullptr) != 0;
        for (int i = 0; i < 200 && !running_; ++i) {
            running_ = ::QueryServiceStatus(service_.get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
            if (!running_) ::Sleep(50);
        }
    }
    ~TaskServiceRunning() {
        if (started_) {
            SERVICE_STATUS status{};
            ::ControlService(service_.get(), SERVICE_CONTROL_STOP, &status);
        }
    }
    TaskServiceRunning(const TaskServiceRunning&) = delete;
    TaskServiceRunning& operator=(const TaskServiceRunning&) = delete;
    bool running() const { return running_; }

private:
    ServiceHandle manager_, service_;
    bool started_ = false;
    bool running_ = false;
};

}  // namespace vt::test
