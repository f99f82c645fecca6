// Console program entry: the arguments as UTF-8, whatever the console's code page.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "console/ConsoleProgram.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

int main() {
    std::vector<std::string> args;
    int count = 0;
    if (LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        vt::UniqueLocalMem owned(argv);
        for (int i = 1; i < count; ++i) args.push_back(vt::Narrow(argv[i]));
    }
    return vt::RunConsole(args);
}
