// Which rows of a list wait for which name's grade, and the grades already in, so that
// one answer fills every row of its name. Names compare with ASCII letter case ignored,
// as the service compares them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vt {

class GradeBook {
public:
    void Clear();
    // The grade of name when its answer is in already.
    std::optional<int32_t> Grade(std::string_view name) const;
    // Row `row` shows name and waits for its answer.
    void Wait(std::string_view name, int row);
    // The answer for name: it is kept for rows listed later, and the rows that waited for
    // it are returned (each once).
    std::vector<int> Answer(std::string_view name, int32_t grade);
    // Names with rows still waiting.
    size_t Waiting() const { return waiting_.size(); }

private:
    std::unordered_map<std::string, int32_t> grades_;
    std::unordered_map<std::string, std::vector<int>> waiting_;
};

}  // namespace vt
