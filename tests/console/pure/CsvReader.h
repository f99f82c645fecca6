// A strict RFC 4180 reader for the tests: quoted fields may hold commas, quotes (doubled)
// and line breaks; records end in CR LF. A malformed document fails the test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vt::test {

inline std::vector<std::vector<std::string>> ParseCsv(const std::string& s) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    size_t i = 0;
    bool fieldStarted = false;
    while (i < s.size()) {
        char c = s[i];
        if (!fieldStarted && c == '"') {
            ++i;
            for (;;) {
                if (i >= s.size()) {
                    ADD_FAILURE() << "unterminated quoted field";
                    return records;
                }
                if (s[i] == '"') {
                    if (i + 1 < s.size() && s[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += s[i++];
            }
            fieldStarted = true;
            if (i < s.size() && s[i] != ',' && s[i] != '\r') {
                ADD_FAILURE() << "text after a closing quote at " << i;
                return records;
            }
            continue;
        }
        if (c == ',') {
            record.push_back(field);
            field.clear();
            fieldStarted = false;
            ++i;
        } else if (c == '\r') {
            if (i + 1 >= s.size() || s[i + 1] != '\n') {
                ADD_FAILURE() << "bare CR at " << i;
                return records;
            }
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field.clear();
            fieldStarted = false;
            i += 2;
        } else if (c == '\n' || c == '"') {
            ADD_FAILURE() << "unquoted LF or quote at " << i;
            return records;
        } else {
            field += c;
            fieldStarted = true;
            ++i;
        }
    }
    if (fieldStarted || !record.empty()) ADD_FAILURE() << "last record without CR LF";
    return records;
}

}  // namespace vt::test
