// Task definitions as any file under the tasks folder may hold them: whatever the bytes,
// the reader answers (a task or an error naming the file's path), every text it gives is
// valid UTF-8 without NUL, and the copy kept before a removal reads back as the same task.
// fuzz: max_len=8192
#include "FuzzCheck.h"
#include "core/Utf8.h"
#include "tasks/pure/TaskXml.h"

#include <string>

namespace {

using vt::tasks::TaskXmlResult;

bool ValidUtf8(const std::string& s, bool nulAllowed) {
    bool clean = true;
    vt::ForEachCodePoint(s, [&](char32_t cp, bool valid) { clean = clean && valid && (nulAllowed || cp != 0); });
    return clean;
}

bool CleanText(const std::string& s) { return ValidUtf8(s, false); }

void CheckTexts(const TaskXmlResult& r) {
    FUZZ_CHECK(CleanText(r.task.path));
    FUZZ_CHECK(CleanText(r.task.author));
    FUZZ_CHECK(CleanText(r.task.description));
    for (const auto& a : r.task.actions) {
        FUZZ_CHECK(CleanText(a.command));
        FUZZ_CHECK(CleanText(a.arguments));
        FUZZ_CHECK(CleanText(a.workingDirectory));
        FUZZ_CHECK(CleanText(a.classId));
    }
}

bool SameTask(const TaskXmlResult& a, const TaskXmlResult& b) {
    if (a.ok != b.ok) return false;
    const auto &x = a.task, &y = b.task;
    if (x.path != y.path || x.author != y.author || x.description != y.description || x.enabled != y.enabled ||
        x.hidden != y.hidden || x.triggers != y.triggers || x.actions.size() != y.actions.size())
        return false;
    for (size_t i = 0; i < x.actions.size(); ++i) {
        const auto &p = x.actions[i], &q = y.actions[i];
        if (p.kind != q.kind || p.command != q.command || p.arguments != q.arguments ||
            p.workingDirectory != q.workingDirectory || p.classId != q.classId)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = vt::fuzz::AsText(data, size);
    const std::string fallback = "\\Fuzz\\Task";

    const auto decoded = vt::tasks::DecodeTaskText(bytes);
    FUZZ_CHECK(ValidUtf8(decoded.utf8, true));

    const TaskXmlResult read = vt::tasks::ReadTaskXml(bytes, fallback);
    CheckTexts(read);
    if (!read.ok) {
        FUZZ_CHECK(!read.error.empty());
        FUZZ_CHECK(read.task.path == fallback);
        FUZZ_CHECK(read.task.actions.empty() && read.task.triggers.empty());
    } else {
        FUZZ_CHECK(!read.task.path.empty());
    }

    const std::string backup = vt::tasks::TaskXmlForBackup(bytes);
    if (backup != bytes) {
        FUZZ_CHECK(decoded.exact);
        FUZZ_CHECK(backup.size() >= 2 && backup.size() % 2 == 0 && backup.compare(0, 2, "\xFF\xFE") == 0);
    }
    if (decoded.exact) FUZZ_CHECK(SameTask(vt::tasks::ReadTaskXml(backup, fallback), read));
    return 0;
}
