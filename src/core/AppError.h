// The one error type the classes raise: a number, the source that raised it and a
// description, as the user-facing messages quote them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vt {

class AppError : public std::runtime_error {
public:
    AppError(int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    int32_t Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }

private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// Standard texts of the runtime errors that several classes raise by number.
inline constexpr int32_t kErrFileNotFound = 53;
inline const char* const kTextFileNotFound = "File not found";

}  // namespace vt
