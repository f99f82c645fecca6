#include "fileinfo/SignatureChecks.h"

#include <windows.h>

#include <mutex>
#include <unordered_map>
#include <utility>

#include "core/CaseMap.h"
#include "fileinfo/FileSignature.h"
#include "platform/WinText.h"

namespace vt {

namespace {

// What tells a file that has not changed since its last check.
struct Stamp {
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    bool operator==(const Stamp&) const = default;
};

bool ReadStamp(const std::string& path, Stamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    stamp.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    stamp.lastWrite = (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

// The file a row names: environment strings expanded, and a bare file name (a Run value
// such as "notepad.exe") found where the system would look for a program of that name.
std::string FileToCheck(const std::string& path) {
    std::wstring wide = Widen(path);
    if (wide.find(L'%') != std::wstring::npos) {
        const DWORD size = ::ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
        std::wstring expanded(size, L'\0');
        if (size > 0 && ::ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), size) == size) {
            expanded.resize(size - 1);
            wide = std::move(expanded);
        }
    }
    if (wide.find_first_of(L"\\/:") == std::wstring::npos) {
        const DWORD size = ::SearchPathW(nullptr, wide.c_str(), L".exe", 0, nullptr, nullptr);
        std::wstring found(size, L'\0');
        if (size > 0) {
            const DWORD got = ::SearchPathW(nullptr, wide.c_str(), L".exe", size, found.data(), nullptr);
            if (got > 0 && got < size) {
                found.resize(got);
                wide = std::move(found);
            }
        }
    }
    return Narrow(wide);
}

}  // namespace

// Shared by the engine and its workers, so a worker that outlives the engine still has it.
struct SignatureChecks::Cache {
    struct Kept {
        Stamp stamp;
        SignatureResult result;
    };
    std::mutex m;
    std::unordered_map<std::string, Kept> byPath;  // lowered paths
};

SignatureChecks::SignatureChecks(IAnswerSink* sink, SignatureCheckSettings settings)
    : cache_(std::make_shared<Cache>()),
      workers_(sink, [&settings, cache = cache_] {
          LaneWorkers<Job, SignatureAnswer>::Settings s;
          s.workers = settings.workers;
          s.what = "signature check";
          s.startThread = std::move(settings.startThread);
          s.failed = [](Job& job) {
              SignatureAnswer answer;
              answer.path = job.path;
              return answer;  // unknown, no hash
          };
          s.makeWorker = [check = std::move(settings.check), cache] {
              // Each thread keeps its own checker: its hashing provider and buffer are
              // not to be shared.
              auto own = std::make_shared<FileSignature>();
              return [check, cache, own](Job& job) {
                  SignatureAnswer answer;
                  answer.path = job.path;
                  const std::string file = FileToCheck(job.path);
                  Stamp stamp;
                  // Gone, a folder, or out of reach: nothing to check and nothing to keep.
                  if (!ReadStamp(file, stamp)) return answer;
                  const std::string key = LowerText(file);
                  {
                      std::lock_guard lock(cache->m);
                      auto it = cache->byPath.find(key);
                      if (it != cache->byPath.end() && it->second.stamp == stamp) {
                          answer.result = it->second.result;
                          return answer;
                      }
                  }
                  answer.result = check ? check(file) : own->Check(file);
                  // An unreadable file (held open by a program that shares it with
                  // nobody) may be readable next time.
                  if (answer.result.status != SignatureStatus::Unknown) {
                      std::lock_guard lock(cache->m);
                      cache->byPath[key] = Cache::Kept{stamp, answer.result};
                  }
                  return answer;
              };
          };
          return s;
      }()) {}

SignatureChecks::~SignatureChecks() { Shutdown(); }

void SignatureChecks::Shutdown() { workers_.Shutdown(); }

uint64_t SignatureChecks::NewBatch(int lane) { return workers_.NewBatch(lane); }

bool SignatureChecks::Ask(const std::string& path, int lane) {
    if (path.empty()) return false;
    return workers_.Ask(LowerText(path), Job{path}, lane);
}

std::vector<SignatureAnswer> SignatureChecks::TakeAnswers() { return workers_.TakeAnswers(); }

size_t SignatureChecks::Outstanding(int lane) const { return workers_.Outstanding(lane); }

}  // namespace vt
