// The definition of a scheduled task as the system stores it (an XML document, in UTF-16
// with a byte-order mark or in UTF-8), read into what the startup lists show: its path,
// whether it runs, when it starts and what it starts. One reader for the task service's
// answers and for the task files alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vt::tasks {

// The namespace of every element of a task definition.
inline constexpr std::string_view kTaskNamespace = "http://schemas.microsoft.com/windows/2004/02/mit/task";

// Task files larger than this are not read: the system's own stay far below it.
inline constexpr size_t kMaxTaskFileBytes = size_t{16} << 20;
// Elements nested deeper than this make a document no task definition can be (the
// deepest the system writes is 5); the parser recurses once per level.
inline constexpr int kMaxTaskXmlDepth = 128;

enum class TriggerKind { Logon, Boot, Time, Calendar, Idle, Event, Registration, SessionChange, Other };

// "logon", "boot", "time", "calendar", "idle", "event", "registration", "session-change",
// "other": the console's names.
std::string_view TriggerName(TriggerKind kind);
// The kind of a trigger element by its local name ("LogonTrigger" ...); Other for any name
// the schema does not have.
TriggerKind TriggerKindOf(std::string_view localName);

enum class ActionKind { Exec, ComHandler, Other };

struct TaskAction {
    ActionKind kind = ActionKind::Other;
    // Exec: as stored, trimmed of surrounding blanks.
    std::string command, arguments, workingDirectory;
    // ComHandler: the class identifier as stored.
    std::string classId;
};

struct TaskDefinition {
    // RegistrationInfo/URI, or the path the caller gave when the document has none.
    std::string path;
    std::string author, description;
    bool enabled = true;  // Settings/Enabled
    bool hidden = false;  // Settings/Hidden
    std::vector<TriggerKind> triggers;
    std::vector<TaskAction> actions;
};

struct TaskXmlResult {
    bool ok = false;
    // Why the document is no task definition (Italian), when !ok.
    std::string error;
    // When !ok only `path` is set (to the caller's path).
    TaskDefinition task;
};

struct DecodedText {
    std::string utf8;
    // False when something had to be replaced: a byte that starts no UTF-8 sequence, an
    // unpaired surrogate, a lone last byte of UTF-16.
    bool exact = true;
};

// The file's bytes as UTF-8: UTF-16 LE or BE by their byte-order mark (or, without one, by
// a first "<" in either order), otherwise UTF-8 with or without its mark. What cannot be
// read is replaced by U+FFFD, so the text is always valid UTF-8.
DecodedText DecodeTaskText(std::string_view bytes);

// Reads a task definition from the bytes of a file or of the service's answer.
// `fallbackPath` is the task's path as its place names it (the folder and file name).
TaskXmlResult ReadTaskXml(std::string_view bytes, std::string_view fallbackPath);

// The same definition as UTF-16 LE bytes with a byte-order mark, the form the system's
// task tools import, for a copy kept before the task is deleted: UTF-16 LE text is kept
// byte for byte, other text converted and its declaration made to say "UTF-16"; bytes
// that are no exact text are kept as they are.
std::string TaskXmlForBackup(std::string_view bytes);

}  // namespace vt::tasks
