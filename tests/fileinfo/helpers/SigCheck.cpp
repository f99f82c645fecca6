// vt_sigcheck: checks the files named on its command line, one line each on standard
// output: "<status word>\t<signer>\t<sha256>". The signature tests run it as a process of
// its own wherever the trusted roots must be read afresh: under Wine a process reads the
// Root store once, at its first certificate chain, and never again.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "fileinfo/FileSignature.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

int main() {
    int count = 0;
    vt::UniqueLocalMem args(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!args) return 1;
    auto* argv = static_cast<wchar_t**>(args.get());
    vt::FileSignature check;
    std::string out;
    for (int i = 1; i < count; ++i) {
        vt::SignatureResult r = check.Check(vt::Narrow(argv[i]));
        out += std::string(vt::StatusWord(r.status)) + "\t" + r.signer + "\t" + r.sha256 + "\n";
    }
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
                       nullptr) &&
                   written == out.size()
               ? 0
               : 1;
}
