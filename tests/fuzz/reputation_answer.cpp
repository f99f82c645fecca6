// The reputation service's answer body, as any server (or anything posing as one) may
// send it: the grade is always one of the five, whatever the bytes.
#include "FuzzCheck.h"
#include "reputation/pure/ReputationAnswer.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view answer = vt::fuzz::AsText(data, size);
    const int32_t grade = vt::GradeFromAnswer(answer);
    FUZZ_CHECK(grade >= vt::kGradeNone && grade <= vt::kGradeUnknown);
    // Once the header line is there, line breaks after the last line change nothing.
    if (answer.find("\r\n") != std::string_view::npos)
        FUZZ_CHECK(vt::GradeFromAnswer(std::string(answer) + "\r\n\r\n") == grade);
    return 0;
}
