// What the task scan and the task removal share: the connection to the task service and
// its errors in words, the task files read whole, and the files a definition's actions
// start, found as the system finds them.
#pragma once

#include <windows.h>
#include <taskschd.h>

#include <map>
#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "tasks/pure/TaskNames.h"
#include "tasks/pure/TaskXml.h"

namespace vt::tasks {

// A connected task service, or the failure.
HRESULT ConnectTaskService(ComPtr<ITaskService>& service);
// The reason of a task service failure, in the system's words where it has them.
std::string TaskErrorText(HRESULT hr);

UniqueBstr MakeBstr(const std::string& utf8);
std::string BstrText(BSTR text);

// The file's bytes, at most kMaxTaskFileBytes; false with the reason (Italian) otherwise.
bool ReadTaskFile(const std::wstring& path, std::string& bytes, std::string& error);

// A path for the wide file calls that is not held to MAX_PATH ("\\?\C:\...").
std::wstring LongPath(const std::string& path);

// Files of actions, looked up once per distinct command and class.
class ActionFiles {
public:
    // The program an Exec action starts: quotes gone, variables expanded, a bare name
    // looked for in the working folder, then along the search path (".exe" added when it
    // has no extension); the expanded text itself when nothing is found.
    const std::string& Program(const std::string& command, const std::string& workingDirectory);
    // A ComHandler's InprocServer32 as stored under the user's classes, else the machine's
    // ("" when neither has it), and its file (quotes gone, variables expanded).
    struct Handler {
        std::string stored, file;
    };
    const Handler& ComHandler(const std::string& classId);
    // The action's program and its arguments, variables expanded, for the Windows rule.
    ActionProgram ProgramOf(const TaskAction& action);

private:
    std::map<std::string, std::string> programs_;
    std::map<std::string, Handler> handlers_;
    std::vector<std::string> searchPath_;
    bool searchPathRead_ = false;
};

// Variables of the environment expanded ("%windir%\x" -> "C:\windows\x").
std::string ExpandVariables(const std::string& text);

}  // namespace vt::tasks
