#include "inventory/pure/StartupCodes.h"

#include "registry/pure/StartupApproved.h"

namespace vt {

namespace {
bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::string RegistryEntryCode(int32_t root, std::string_view key, int32_t view) {
    std::string code = root == kRootCurrentUser ? "CU" : root == kRootLocalMachine ? "LM" : "";
    if (key == kKeyRun) code += "R";
    else if (key == kKeyRunOnce) code += "RO";
    else if (key == kKeyRunServices) code += "RS";
    else if (key == kKeyRunServicesOnce) code += "RSO";
    if (view == 32) code += "32";
    else if (view == 64) code += "64";
    return code;
}

DecodedCode DecodeStartupCode(std::string_view code) {
    DecodedCode d;
    if (code == "CST") d.folderId = 24;
    else if (code == "UST") d.folderId = 7;
    // The view comes last, so the key part is read from what precedes it.
    if (EndsWith(code, "32")) d.view = 32;
    else if (EndsWith(code, "64")) d.view = 64;
    if (d.view) code.remove_suffix(2);
    if (code.substr(0, 2) == "LM") d.root = kRootLocalMachine;
    else if (code.substr(0, 2) == "CU") d.root = kRootCurrentUser;
    if (EndsWith(code, "R")) d.key = kKeyRun;
    else if (EndsWith(code, "RO")) d.key = kKeyRunOnce;
    else if (EndsWith(code, "RS")) d.key = kKeyRunServices;
    else if (EndsWith(code, "RSO")) d.key = kKeyRunServicesOnce;
    return d;
}

ApprovalPlace ApprovalPlaceFor(const DecodedCode& code, bool in32BitView) {
    if (code.folderId == 7) return {kRootCurrentUser, reg::kApprovedStartupFolder};
    if (code.folderId == 24) return {kRootLocalMachine, reg::kApprovedStartupFolder};
    if (code.root != 0 && code.key == kKeyRun)
        return {code.root, in32BitView ? reg::kApprovedRun32 : reg::kApprovedRun};
    return {};
}

bool IsNumericText(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    while (n > i && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    size_t intDigits = 0, fracDigits = 0;
    while (i < n && IsDigit(s[i])) ++i, ++intDigits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && IsDigit(s[i])) ++i, ++fracDigits;
    }
    if (intDigits + fracDigits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < n && IsDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == n;
}

}  // namespace vt
