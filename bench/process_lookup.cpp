// Cost of a process scan and rate of reputation lookups, each beside a peer measured in
// the same run: the scanner against a bare toolhelp + psapi walk, QueryReputation against
// a plain GET loop with the same client settings. bench/process_lookup.sh adds curl.
//   bench_process_lookup [--names FILE] [--scans N] [--lookups N] [--rounds N]
// Each figure is the best of its rounds: the machine is shared, and the best round is
// the one least disturbed by others.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "reputation/HttpClient.h"
#include "reputation/Module1.h"
#include "scanners/cScanProcesses.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

class CountingSink : public vt::IScanProcessesEvents {
public:
    long processes = 0;
    void CurrentProcess(const std::string&, const std::string&, int32_t, bool&) override { ++processes; }
    void DoneScanning(int16_t) override {}
};

// The same system calls per process, without events, yields or path rewriting.
long BareWalk() {
    long n = 0;
    vt::UniqueFileHandle snap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return 0;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = ::Process32First(snap.get(), &pe); ok; ok = ::Process32Next(snap.get(), &pe)) {
        vt::UniqueHandle p(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pe.th32ProcessID));
        if (!p) continue;
        HMODULE mods[50];
        DWORD needed = 0;
        if (!::EnumProcessModules(p.get(), mods, sizeof(mods), &needed)) continue;
        wchar_t path[MAX_PATH];
        if (::GetModuleFileNameExW(p.get(), mods[0], path, MAX_PATH)) ++n;
    }
    return n;
}

// The floor under any client on this system: one kept-alive socket, a hand-written GET,
// the answer read up to its Content-Length. Returns answers received.
long RawSocketLoop(const std::vector<std::string>& names, int port) {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 0;
    long answered = 0;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    BOOL one = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
        for (const auto& n : names) {
            std::string req = "GET /api.php?q=" + n + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            if (::send(s, req.data(), static_cast<int>(req.size()), 0) <= 0) break;
            std::string in;
            char buf[4096];
            bool done = false;
            while (!done) {
                int k = ::recv(s, buf, sizeof(buf), 0);
                if (k <= 0) break;
                in.append(buf, static_cast<size_t>(k));
                size_t head = in.find("\r\n\r\n");
                size_t cl = in.find("Content-Length: ");
                if (head != std::string::npos && cl != std::string::npos)
                    done = in.size() >= head + 4 + std::strtoul(in.c_str() + cl + 16, nullptr, 10);
            }
            if (!done) break;
            ++answered;
        }
    }
    ::closesocket(s);
    ::WSACleanup();
    return answered;
}

}  // namespace

int main(int argc, char** argv) {
    std::string namesFile;
    int scans = 200;
    size_t lookups = 500;
    int rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--names") namesFile = argv[i + 1];
        if (a == "--scans") scans = std::atoi(argv[i + 1]);
        if (a == "--lookups") lookups = static_cast<size_t>(std::atoll(argv[i + 1]));
        if (a == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
    }

    // (a) scan cost per process.
    if (scans > 0) {
        CountingSink sink;
        vt::cScanProcesses scanner(&sink);
        scanner.BeginScanning();  // warm-up
        BareWalk();
        double scanUs = 1e300, bareUs = 1e300;
        long perScan = 0;
        for (int r = 0; r < rounds; ++r) {
            sink.processes = 0;
            auto t0 = Clock::now();
            for (int i = 0; i < scans; ++i) scanner.BeginScanning();
            double scanSec = Seconds(t0);
            long bareProcesses = 0;
            t0 = Clock::now();
            for (int i = 0; i < scans; ++i) bareProcesses += BareWalk();
            double bareSec = Seconds(t0);
            perScan = sink.processes / scans;
            if (sink.processes) scanUs = std::min(scanUs, scanSec * 1e6 / static_cast<double>(sink.processes));
            if (bareProcesses) bareUs = std::min(bareUs, bareSec * 1e6 / static_cast<double>(bareProcesses));
        }
        std::printf(
            "scan: %ld processes per scan, best of %d x %d scans; cScanProcesses %.1f us/process, "
            "bare walk %.1f us/process, ratio %.2f\n",
            perScan, rounds, scans, scanUs, bareUs, scanUs / bareUs);
    }

    // (b) lookups per second.
    std::vector<std::string> names;
    if (!namesFile.empty()) {
        std::ifstream in(namesFile, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) names.push_back(line);
        }
    }
    if (names.empty())
        for (size_t i = 0; i < lookups; ++i) names.push_back("bench" + std::to_string(i) + ".exe");

    vt::LookupErrorShown = true;  // a dead service must not stop the run with a message box
    vt::WinHttpClient plain;      // default settings: the ones QueryReputation's client uses
    double lookupRate = 0, plainRate = 0, rawRate = 0;
    long graded = 0, answered = 0, rawAnswered = 0;
    // The raw loop speaks to the loopback service only: its port comes from the base URL.
    std::string base = vt::ReputationUrl("");
    base = base.substr(0, base.find("/api.php"));
    int port = base.rfind("http://127.0.0.1:", 0) == 0 ? std::atoi(base.c_str() + 17) : 0;
    for (int r = 0; r < rounds; ++r) {
        graded = 0;
        auto t0 = Clock::now();
        for (const auto& n : names) graded += vt::QueryReputation(n) != 0;
        lookupRate = std::max(lookupRate, static_cast<double>(names.size()) / Seconds(t0));

        answered = 0;
        t0 = Clock::now();
        for (const auto& n : names) answered += plain.Get(vt::ReputationUrl(n)).ok;
        plainRate = std::max(plainRate, static_cast<double>(names.size()) / Seconds(t0));

        if (port) {
            t0 = Clock::now();
            rawAnswered = RawSocketLoop(names, port);
            rawRate = std::max(rawRate, static_cast<double>(names.size()) / Seconds(t0));
        }
    }
    std::printf(
        "lookups: %zu names (%ld graded), best of %d; QueryReputation %.0f/s, plain GET loop %.0f/s "
        "(%ld answered), ratio %.2f\n",
        names.size(), graded, rounds, lookupRate, plainRate, answered, lookupRate / plainRate);
    if (port)
        std::printf("raw socket GET loop (no HTTP client at all) %.0f/s (%ld answered); QueryReputation/raw %.2f\n",
                    rawRate, rawAnswered, lookupRate / rawRate);
    std::printf("LOOKUPS_PER_SEC=%.1f\n", lookupRate);
    return graded == static_cast<long>(names.size()) ? 0 : 1;
}
