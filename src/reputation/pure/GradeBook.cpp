#include "reputation/pure/GradeBook.h"

#include "core/Wildcard.h"

namespace vt {

void GradeBook::Clear() {
    grades_.clear();
    waiting_.clear();
}

std::optional<int32_t> GradeBook::Grade(std::string_view name) const {
    auto it = grades_.find(LowerAscii(name));
    if (it == grades_.end()) return std::nullopt;
    return it->second;
}

void GradeBook::Wait(std::string_view name, int row) { waiting_[LowerAscii(name)].push_back(row); }

std::vector<int> GradeBook::Answer(std::string_view name, int32_t grade) {
    std::string key = LowerAscii(name);
    grades_[key] = grade;
    std::vector<int> rows;
    if (auto it = waiting_.find(key); it != waiting_.end()) {
        rows = std::move(it->second);
        waiting_.erase(it);
    }
    return rows;
}

}  // namespace vt
