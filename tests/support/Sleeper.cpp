// A do-nothing child process for the process tests: it waits until it is ended (or ten
// minutes pass, so a crashed test cannot leave it forever).
#include <windows.h>

int main() {
    ::Sleep(10 * 60 * 1000);
    return 0;
}
