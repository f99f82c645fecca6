// The registry scanner over throwaway keys under HKEY_CURRENT_USER\Software\VantorileTests
// (and, for the startup location set, values written into the Run keys of the test prefix).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/AppError.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "scanners/cScanRegistry.h"
#include "scanners/pure/ScanRules.h"
#include "support/TestSupport.h"

namespace {

using vt::cScanRegistry;
using vt::scan::kHkeyCurrentUser;
using vt::scan::kHkeyLocalMachine;

HKEY Hkey(int32_t root) { return reinterpret_cast<HKEY>(static_cast<intptr_t>(root)); }

bool CreateKey(int32_t root, const std::string& path) {
    vt::UniqueHKey k;
    std::wstring w = vt::Widen(path);
    return ::RegCreateKeyExW(Hkey(root), w.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr) ==
           ERROR_SUCCESS;
}

bool SetValue(int32_t root, const std::string& path, const std::string& name, const std::string& data = "x") {
    vt::UniqueHKey k;
    std::wstring w = vt::Widen(path), n = vt::Widen(name), d = vt::Widen(data);
    if (::RegCreateKeyExW(Hkey(root), w.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return ::RegSetValueExW(k.get(), n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(d.c_str()),
                            static_cast<DWORD>((d.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool KeyExists(int32_t root, const std::string& path) {
    vt::UniqueHKey k;
    std::wstring w = vt::Widen(path);
    return ::RegOpenKeyExW(Hkey(root), w.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

bool ValueExists(int32_t root, const std::string& path, const std::string& name) {
    std::wstring w = vt::Widen(path), n = vt::Widen(name);
    return ::RegGetValueW(Hkey(root), w.c_str(), n.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Records every event as text ("K path", "D path|value", "Done d k") and lets a test
// act inside the handlers.
struct Recorder : vt::IScanRegistryEvents {
    std::vector<std::string> log;
    int done = 0;
    cScanRegistry* scanner = nullptr;
    std::vector<std::string> scanningSeen;  // "Scanning" state while events ran
    std::function<void(const std::string&, bool&)> onKey;
    std::function<void(const std::string&, const std::string&, bool&)> onData;

    void CurrentData(const std::string& Value, const std::string& Key, int32_t, bool& Delete) override {
        log.emplace_back("D " + Key + "|" + Value);
        if (scanner && !scanner->Scanning()) scanningSeen.emplace_back("not scanning in CurrentData");
        if (onData) onData(Value, Key, Delete);
    }
    void CurrentKey(const std::string& Key, int32_t, bool& Delete) override {
        log.emplace_back("K " + Key);
        if (scanner && !scanner->Scanning()) scanningSeen.emplace_back("not scanning in CurrentKey");
        if (onKey) onKey(Key, Delete);
    }
    void DoneScanning(int32_t TotalData, int32_t TotalKeys) override {
        ++done;
        log.emplace_back("Done " + std::to_string(TotalData) + " " + std::to_string(TotalKeys));
        if (scanner && scanner->Scanning()) scanningSeen.emplace_back("scanning in DoneScanning");
    }
};

class RegistryScanner : public ::testing::Test {
protected:
    vt::test::TestRegKey key;
    Recorder rec;
    cScanRegistry scan{&rec};
    std::string base = key.path();

    void SetUp() override { rec.scanner = &scan; }
    std::string P(const std::string& rel) const { return rel.empty() ? base : base + "\\" + rel; }
    // A small tree: the start key with two values, A (a value, and B below it with a
    // value) and C with none.
    void BuildTree() {
        ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(""), "v1"));
        ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(""), "v2"));
        ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("A"), "a1"));
        ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("A\\B"), "b1"));
        ASSERT_TRUE(CreateKey(kHkeyCurrentUser, P("C")));
    }
};

TEST_F(RegistryScanner, ReportsDepthFirstWithCountsAndOneDone) {
    EXPECT_EQ(scan.TotalData(), "0");
    BuildTree();
    std::vector<std::string> countsSeen;
    rec.onKey = [&](const std::string& k, bool&) {
        countsSeen.push_back(k.substr(base.size()) + ":" + std::to_string(scan.TotalKeys()) + "/" + scan.TotalData());
    };
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    std::vector<std::string> expected = {
        "K " + P(""),     "D " + P("") + "|v1",     "D " + P("") + "|v2", "K " + P("A"), "D " + P("A") + "|a1",
        "K " + P("A\\B"), "D " + P("A\\B") + "|b1", "K " + P("C"),        "Done 4 4"};
    EXPECT_EQ(rec.log, expected);
    EXPECT_EQ(countsSeen, (std::vector<std::string>{":1/0", "\\A:2/2", "\\A\\B:3/3", "\\C:4/4"}));
    EXPECT_TRUE(rec.scanningSeen.empty()) << rec.scanningSeen.front();
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(scan.TotalData(), "4");
    EXPECT_EQ(scan.TotalKeys(), 4);

    // Without descent only the start key is reported; a second scan resets the counts.
    rec.log.clear();
    rec.onKey = nullptr;
    scan.ScanSubKeys(false);
    scan.BeginScanning();
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"K " + P(""), "D " + P("") + "|v1", "D " + P("") + "|v2", "Done 2 1"}));
}

TEST_F(RegistryScanner, StartKeyIsCleanedUpBeforeTheScan) {
    BuildTree();
    // Every separator doubled, plus a leading and a trailing one.
    std::string messy = "\\";
    for (char c : base) messy += c == '\\' ? std::string("\\\\") : std::string(1, c);
    messy += "\\";
    scan.BeginScanning(kHkeyCurrentUser, messy);
    EXPECT_EQ(scan.ScanPath(), base);
    ASSERT_FALSE(rec.log.empty());
    EXPECT_EQ(rec.log.front(), "K " + base);
    EXPECT_EQ(rec.log.back(), "Done 2 1");

    std::string k = "\\\\";
    scan.ValidateKey(k);
    EXPECT_EQ(k, "");
}

TEST_F(RegistryScanner, KeyFilterAppliesOneLevelBelowTheStartOnly) {
    for (const char* k : {"Run", "RunOnce", "x", "xx", "other", "Run\\deep", "Run\\deep\\zzz"})
        ASSERT_TRUE(CreateKey(kHkeyCurrentUser, P(k)));
    scan.ScanSubKeys(true);
    scan.FilterKeys("RUN*|x");
    EXPECT_EQ(scan.FilterKeys(), "run*|x");
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"K " + P(""), "K " + P("Run"), "K " + P("Run\\deep"),
                                        "K " + P("Run\\deep\\zzz"), "K " + P("RunOnce"), "K " + P("x"), "Done 0 6"}));

    // ScanDeep 1: the start key and its children with their values, nothing deeper.
    rec.log.clear();
    scan.FilterKeys("");
    scan.ScanDeep(1);
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("Run"), "r"));
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("Run\\deep"), "d"));
    scan.BeginScanning();
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"K " + P(""), "K " + P("other"), "K " + P("Run"), "D " + P("Run") + "|r",
                                        "K " + P("RunOnce"), "K " + P("x"), "K " + P("xx"), "Done 1 6"}));
}

TEST_F(RegistryScanner, DataFilterAndTheDefaultValue) {
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(""), ""));
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(""), "Value1"));
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(""), "zother"));
    struct Case {
        const char* filter;
        std::vector<std::string> values;
    } cases[] = {
        {"", {"", "Value1", "zother"}}, {"*", {"", "Value1", "zother"}}, {"value#", {"Value1"}},
        {"value#|", {"", "Value1"}},    {"[!v]*", {"zother"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        rec.onData = [&](const std::string& v, const std::string&, bool&) { got.push_back(v); };
        scan.FilterData(c.filter);
        scan.BeginScanning(kHkeyCurrentUser, P(""));
        EXPECT_EQ(got, c.values) << c.filter;
        EXPECT_EQ(scan.TotalData(), std::to_string(c.values.size())) << c.filter;
    }
}

TEST_F(RegistryScanner, DeleteFromBothEvents) {
    BuildTree();
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("C"), "c1"));
    rec.onKey = [&](const std::string& k, bool& del) { del = (k == P("C") || k == P("A")); };
    rec.onData = [&](const std::string& v, const std::string&, bool& del) { del = (v == "v1"); };
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    // A has a subkey: the removal is refused and A is walked as usual. C is a leaf: gone,
    // and its value is not reported.
    EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + P(""), "D " + P("") + "|v1", "D " + P("") + "|v2",
                                                 "K " + P("A"), "D " + P("A") + "|a1", "K " + P("A\\B"),
                                                 "D " + P("A\\B") + "|b1", "K " + P("C"), "Done 4 4"}));
    EXPECT_TRUE(KeyExists(kHkeyCurrentUser, P("A")));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, P("C")));
    EXPECT_FALSE(ValueExists(kHkeyCurrentUser, P(""), "v1"));
    EXPECT_TRUE(ValueExists(kHkeyCurrentUser, P(""), "v2"));
}

TEST_F(RegistryScanner, HandlerMayRemoveKeysTheWalkHasListed) {
    BuildTree();
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("C"), "c1"));
    // While A is reported, remove the whole A\B subtree and C: they were listed already.
    rec.onKey = [&](const std::string& k, bool&) {
        if (k == P("A")) {
            ::RegDeleteTreeW(HKEY_CURRENT_USER, vt::Widen(P("A\\B")).c_str());
            ::RegDeleteTreeW(HKEY_CURRENT_USER, vt::Widen(P("C")).c_str());
        }
    };
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    // C was listed before it went: still reported, with nothing under it. A\B was not
    // listed yet when it went (A is enumerated after its CurrentKey).
    EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + P(""), "D " + P("") + "|v1", "D " + P("") + "|v2",
                                                 "K " + P("A"), "D " + P("A") + "|a1", "K " + P("C"), "Done 3 3"}));
}

// A key's subkeys are read after its values have been reported: a subtree a value's
// handler removes, the key's own included, is not walked.
TEST_F(RegistryScanner, SubKeysRemovedWhileTheValuesAreReportedAreNotWalked) {
    for (const char* removed : {"A\\B", "A"}) {
        BuildTree();
        rec.log.clear();
        rec.onData = [&](const std::string& v, const std::string&, bool&) {
            if (v == "a1") ::RegDeleteTreeW(HKEY_CURRENT_USER, vt::Widen(P(removed)).c_str());
        };
        scan.ScanSubKeys(true);
        scan.BeginScanning(kHkeyCurrentUser, P(""));
        EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + P(""), "D " + P("") + "|v1", "D " + P("") + "|v2",
                                                     "K " + P("A"), "D " + P("A") + "|a1", "K " + P("C"), "Done 3 3"}))
            << removed;
    }
}

TEST_F(RegistryScanner, CancelInAHandlerEndsWithOneDone) {
    BuildTree();
    rec.onData = [&](const std::string& v, const std::string&, bool&) {
        if (v == "v1") scan.CancelScanning();
    };
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + P(""), "D " + P("") + "|v1", "Done 1 1"}));
    EXPECT_FALSE(scan.Scanning());

    // A cancel while idle does not shorten the next scan.
    rec.log.clear();
    rec.onData = nullptr;
    scan.CancelScanning();
    scan.BeginScanning();
    EXPECT_EQ(rec.log.back(), "Done 4 4");
}

TEST_F(RegistryScanner, HandlerSettingScanPathDoesNotMoveTheWalk) {
    BuildTree();
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("elsewhere"), "e1"));
    rec.onKey = [&](const std::string& k, bool&) {
        if (k == P("")) scan.ScanPath(P("elsewhere"));
    };
    scan.ScanSubKeys(true);
    scan.ScanDeep(1);
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + P(""), "D " + P("") + "|v1", "D " + P("") + "|v2",
                                                 "K " + P("A"), "D " + P("A") + "|a1", "K " + P("C"),
                                                 "K " + P("elsewhere"), "D " + P("elsewhere") + "|e1", "Done 4 4"}));
    EXPECT_EQ(scan.ScanPath(), P("elsewhere"));  // the handler's value stays for the next scan
}

TEST_F(RegistryScanner, NonAsciiNamesRoundTrip) {
    const std::string key = "Citt\xC3\xA0 \xE6\x97\xA5\xE6\x9C\xAC";
    const std::string value = "perch\xC3\xA9_" + std::string(40, 'x') + "\xC3\xA8";
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(key), value));
    rec.onData = [&](const std::string&, const std::string&, bool& del) { del = true; };
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"K " + P(""), "K " + P(key), "D " + P(key) + "|" + value, "Done 1 2"}));
    EXPECT_FALSE(ValueExists(kHkeyCurrentUser, P(key), value));
}

TEST_F(RegistryScanner, FiltersLowerEveryScript) {
    // Cyrillic, Greek, and the Turkish capital dotted I, which lowers to a plain i; the
    // dotless small i is a letter of its own and matches only itself.
    const std::string cyr = "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B",
                      greekMixed =
                          "\xCE\xA0\xCF\x81\xCE\x9F\xCE\xB3\xCE\xA1\xCE\xB1\xCE\xBC\xCE\xBC\xCE\xB1\xCF\x84\xCE\xB1";
    const std::string turkish = "istanbul", dotless = "\xC4\xB1l\xC4\xB1k", capitalI = "ISPARTA";
    const std::string data =
        "\xD0\x97\xD0\x9D\xD0\x90\xD0\xA7\xD0\x95\xD0\x9D\xD0\x98\xD0\x95"
        "1";
    for (const std::string& k : {cyr, greekMixed, turkish, dotless, capitalI, std::string("Other")})
        ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(k), data));
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P(cyr), "other"));
    scan.ScanSubKeys(true);
    scan.FilterKeys(
        "\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x93\xD0\xA0\xD0\x90\xD0\x9C\xD0\x9C\xD0\xAB|"
        "\xCE\xA0\xCE\xA1\xCE\x9F\xCE\x93\xCE\xA1\xCE\x91\xCE\x9C\xCE\x9C\xCE\x91\xCE\xA4\xCE\x91|\xC4\xB0STANBUL|"
        "\xC4\xB1*");
    EXPECT_EQ(
        scan.FilterKeys(),
        "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B|"
        "\xCF\x80\xCF\x81\xCE\xBF\xCE\xB3\xCF\x81\xCE\xB1\xCE\xBC\xCE\xBC\xCE\xB1\xCF\x84\xCE\xB1|istanbul|\xC4\xB1*");
    scan.FilterData("\xD0\x97\xD0\x9D\xD0\x90\xD0\xA7\xD0\x95\xD0\x9D\xD0\x98\xD0\x95#");
    EXPECT_EQ(scan.FilterData(), "\xD0\xB7\xD0\xBD\xD0\xB0\xD1\x87\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5#");
    scan.BeginScanning(kHkeyCurrentUser, P(""));
    std::vector<std::string> reported, expected;
    for (const std::string& line : rec.log)
        if (line.rfind("D ", 0) == 0) reported.push_back(line);
    for (const std::string& k : {cyr, greekMixed, turkish, dotless}) expected.push_back("D " + P(k) + "|" + data);
    std::sort(reported.begin(), reported.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(reported, expected);
}

TEST_F(RegistryScanner, DeleteKeyAndDeleteValueResults) {
    ASSERT_TRUE(SetValue(kHkeyCurrentUser, P("leaf"), "v"));
    ASSERT_TRUE(CreateKey(kHkeyCurrentUser, P("parent\\child")));
    EXPECT_FALSE(scan.DeleteValue(kHkeyCurrentUser, P("leaf"), "missing"));
    EXPECT_TRUE(scan.DeleteValue(kHkeyCurrentUser, P("leaf"), "v"));
    EXPECT_FALSE(scan.DeleteValue(kHkeyCurrentUser, P("nokey"), "v"));
    EXPECT_FALSE(scan.DeleteKey(kHkeyCurrentUser, P("parent")));       // has a subkey
    EXPECT_FALSE(scan.DeleteKey(kHkeyCurrentUser, P("leaf") + "\\"));  // names no key
    EXPECT_TRUE(KeyExists(kHkeyCurrentUser, P("leaf")));
    // A one-component path is deleted straight under the root it names; here the root is
    // an open key handle.
    vt::UniqueHKey open;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, vt::Widen(base).c_str(), 0, KEY_ALL_ACCESS, open.put()),
              ERROR_SUCCESS);
    int32_t handleRoot = static_cast<int32_t>(reinterpret_cast<intptr_t>(open.get()));
    EXPECT_TRUE(scan.DeleteKey(handleRoot, "leaf"));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, P("leaf")));
    EXPECT_FALSE(scan.DeleteKey(handleRoot, "leaf"));
}

TEST_F(RegistryScanner, TooDeepStartKeyFailsTheCallAndLeavesItIdle) {
    std::string deep = base;
    for (int i = 0; i < 40000; ++i) deep += "\\a";
    scan.ScanSubKeys(true);
    try {
        scan.BeginScanning(kHkeyCurrentUser, deep);
        FAIL() << "no error";
    } catch (const vt::AppError& e) {
        EXPECT_EQ(e.Number(), 6);
        EXPECT_EQ(e.Description(), "Overflow");
        EXPECT_NE(e.Source().find(".cScanRegistry"), std::string::npos);
    }
    EXPECT_TRUE(rec.log.empty());
    EXPECT_FALSE(scan.Scanning());
    BuildTree();
    scan.BeginScanning(kHkeyCurrentUser, base);
    EXPECT_EQ(rec.log.back(), "Done 4 4");
}

// A handler that throws ends the walk; whichever way it was started, the scanner is idle
// afterwards, a set's own filter, descent and view are the caller's again, and no
// DoneScanning was reported.
TEST_F(RegistryScanner, AThrowingHandlerLeavesTheScannerIdleWithTheCallersSettings) {
    BuildTree();
    rec.onKey = [](const std::string&, bool&) { throw std::runtime_error("handler failed"); };
    scan.ScanSubKeys(true);
    EXPECT_THROW(scan.BeginScanning(kHkeyCurrentUser, base), std::runtime_error);
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(rec.done, 0);
    EXPECT_EQ(scan.ScanPath(), base);

    scan.FilterKeys("Abc");
    scan.ScanSubKeys(false);
    scan.RegistryView(64);
    EXPECT_THROW(scan.BeginCustomScan(2), std::runtime_error);
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(rec.done, 0);
    EXPECT_EQ(scan.FilterKeys(), "abc");
    EXPECT_FALSE(scan.ScanSubKeys());
    EXPECT_EQ(scan.RegistryView(), 64);

    // The next scans are whole.
    rec.onKey = nullptr;
    rec.log.clear();
    scan.RegistryView(0);
    scan.FilterKeys("");
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyCurrentUser, base);
    EXPECT_EQ(rec.log.back(), "Done 4 4");
    rec.log.clear();
    scan.BeginCustomScan(42);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"Done 0 0"}));
    EXPECT_TRUE(rec.scanningSeen.empty()) << rec.scanningSeen.front();
}

// Values in the eight Run keys of the test prefix (created when missing) and a subkey
// below the current user's Run key; all removed again, created keys included.
class RunKeysFixture {
public:
    static constexpr const char* kValue = "VantorileScanTest";
    RunKeysFixture() {
        for (const auto& loc : vt::scan::LocationSet(7)) {
            bool existed = KeyExists(loc.root, loc.path);
            SetValue(loc.root, loc.path, kValue, "C:\\x.exe");
            placed_.push_back({loc.root, loc.path, existed});
        }
        SetValue(vt::scan::kHkeyCurrentUser, Sub(), "subvalue");
        SetValue(vt::scan::kHkeyCurrentUser, Sub() + "\\deeper", "deepvalue");
    }
    ~RunKeysFixture() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, vt::Widen(Sub()).c_str());
        for (const Placed& p : placed_) {
            if (p.existed) {
                vt::UniqueHKey k;
                if (::RegOpenKeyExW(Hkey(p.root), vt::Widen(p.path).c_str(), 0, KEY_SET_VALUE, k.put()) ==
                    ERROR_SUCCESS)
                    ::RegDeleteValueW(k.get(), vt::Widen(kValue).c_str());
            } else {
                ::RegDeleteTreeW(Hkey(p.root), vt::Widen(p.path).c_str());
                ::RegDeleteKeyW(Hkey(p.root), vt::Widen(p.path).c_str());
            }
        }
    }
    RunKeysFixture(const RunKeysFixture&) = delete;
    RunKeysFixture& operator=(const RunKeysFixture&) = delete;
    static std::string Sub() { return vt::scan::LocationSet(7)[0].path + "\\VantorileScanTestSub"; }

private:
    struct Placed {
        int32_t root;
        std::string path;
        bool existed;
    };
    std::vector<Placed> placed_;
};

TEST(RegistryScannerSets, StartupSetAsTheMainWindowRunsIt) {
    RunKeysFixture run;
    Recorder rec;
    cScanRegistry scan(&rec);
    rec.scanner = &scan;
    std::vector<std::string> ours;
    // Each event with the view the scanner reads while it runs.
    auto view = [&] { return "@" + std::to_string(scan.RegistryView()); };
    rec.onKey = [&](const std::string& k, bool&) { ours.push_back("K " + k + view()); };
    rec.onData = [&](const std::string& v, const std::string& k, bool&) {
        if (v == RunKeysFixture::kValue || v.find("value") != std::string::npos)
            ours.push_back("D " + k + "|" + v + view());
    };
    scan.CustomScanPath(7);
    scan.ScanSubKeys(false);
    scan.ScanDeep(1);
    scan.BeginCustomScan();

    std::vector<std::string> expected;
    const auto locations = vt::scan::LocationSet(7);
    for (size_t i = 0; i < locations.size(); ++i) {
        expected.push_back("K " + locations[i].path + "@0");
        expected.push_back("D " + locations[i].path + "|" + RunKeysFixture::kValue + "@0");
        if (i == 0) {
            expected.push_back("K " + RunKeysFixture::Sub() + "@0");
            expected.push_back("D " + RunKeysFixture::Sub() + "|subvalue@0");
        }
    }
    // Then those of the machine's four keys that the 32-bit view has (the fixture's values
    // are native only); the current user's keys are one key in both views and come once.
    for (size_t i = 4; i < 8; ++i)
        if (vt::test::RegKeyExists(HKEY_LOCAL_MACHINE, locations[i].path, KEY_WOW64_32KEY))
            expected.push_back("K " + locations[i].path + "@32");
    // Other programs' entries of the prefix may sit in the Run keys too: compare ours only.
    std::vector<std::string> filtered;
    for (const std::string& e : ours)
        if (e[0] == 'D' || std::find(expected.begin(), expected.end(), e) != expected.end()) filtered.push_back(e);
    EXPECT_EQ(filtered, expected);
    EXPECT_EQ(rec.done, 1);
    EXPECT_FALSE(scan.ScanSubKeys());
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(scan.ClassRoot(), kHkeyLocalMachine);
    EXPECT_EQ(scan.ScanPath(), locations.back().path);
    EXPECT_EQ(scan.RegistryView(), 0);
    EXPECT_TRUE(rec.scanningSeen.empty());
}

// The same value name in the machine's Run key of both views, and one in the user's.
struct TwoViewRunValues {
    static constexpr const char* kName = "VantorileViewTest";
    const std::string run = vt::scan::LocationSet(7)[4].path;
    vt::test::PlantedValue native{HKEY_LOCAL_MACHINE, run, kName, "C:\\native.exe"};
    vt::test::PlantedValue wow{HKEY_LOCAL_MACHINE, run, kName, "C:\\wow.exe", KEY_WOW64_32KEY};
    vt::test::PlantedValue user{HKEY_CURRENT_USER, vt::scan::LocationSet(7)[0].path, kName, "C:\\user.exe"};
};

TEST(RegistryScannerSets, StartupSetListsBothViewsAndDeletesInTheOneAskedFor) {
    TwoViewRunValues values;
    ASSERT_TRUE(values.native.Exists() && values.wow.Exists() && values.user.Exists());
    Recorder rec;
    cScanRegistry scan(&rec);
    std::vector<std::string> seen;
    rec.onData = [&](const std::string& v, const std::string& k, bool&) {
        if (v == TwoViewRunValues::kName) seen.push_back(k + "@" + std::to_string(scan.RegistryView()));
    };
    const auto locations = vt::scan::LocationSet(7);
    struct Case {
        int32_t view;
        std::vector<std::string> expected;
    } cases[] = {
        // The program's own view: every entry, each once.
        {0, {locations[0].path + "@0", values.run + "@0", values.run + "@32"}},
        // A view asked for: the eight keys in that view alone.
        {32, {locations[0].path + "@32", values.run + "@32"}},
        {64, {locations[0].path + "@64", values.run + "@64"}},
    };
    for (const Case& c : cases) {
        seen.clear();
        scan.RegistryView(c.view);
        scan.ScanDeep(1);
        scan.BeginCustomScan(7);
        EXPECT_EQ(seen, c.expected) << c.view;
        EXPECT_EQ(scan.RegistryView(), c.view);
    }

    // Deleting in the 32-bit view removes that value only, never its native namesake.
    scan.RegistryView(32);
    EXPECT_TRUE(scan.DeleteValue(kHkeyLocalMachine, values.run, TwoViewRunValues::kName));
    EXPECT_FALSE(values.wow.Exists());
    EXPECT_TRUE(values.native.Exists());
}

TEST(RegistryScannerViews, WalkAndDeletionsStayInTheView) {
    vt::test::TestRegKey machine(HKEY_LOCAL_MACHINE);
    const std::string& T = machine.path();
    const std::string x("x\0", 2);
    ASSERT_TRUE(vt::test::PutRegValue(HKEY_LOCAL_MACHINE, T, "only32", REG_SZ, x, KEY_WOW64_32KEY));
    for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
        ASSERT_TRUE(vt::test::PutRegValue(HKEY_LOCAL_MACHINE, T, "v", REG_SZ, x, view));
        ASSERT_TRUE(vt::test::PutRegValue(HKEY_LOCAL_MACHINE, T + "\\gone", "g", REG_SZ, x, view));
    }
    Recorder rec;
    cScanRegistry scan(&rec);
    // The handler deletes what it meets: the key "gone" and the value "v".
    rec.onKey = [&](const std::string& k, bool& del) { del = k == T + "\\gone"; };
    rec.onData = [&](const std::string& v, const std::string&, bool& del) { del = v == "v"; };
    scan.RegistryView(32);
    scan.ScanSubKeys(true);
    scan.BeginScanning(kHkeyLocalMachine, T);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + T, "D " + T + "|only32", "D " + T + "|v", "K " + T + "\\gone",
                                                 "Done 2 2"}));
    EXPECT_FALSE(vt::test::RegValueExists(HKEY_LOCAL_MACHINE, T, "v", KEY_WOW64_32KEY));
    EXPECT_FALSE(vt::test::RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\gone", KEY_WOW64_32KEY));
    EXPECT_TRUE(vt::test::RegValueExists(HKEY_LOCAL_MACHINE, T, "v"));
    EXPECT_TRUE(vt::test::RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\gone"));
    // The public deletions too.
    scan.RegistryView(0);
    EXPECT_TRUE(scan.DeleteKey(kHkeyLocalMachine, T + "\\gone"));
    EXPECT_FALSE(vt::test::RegKeyExists(HKEY_LOCAL_MACHINE, T + "\\gone"));
    EXPECT_FALSE(scan.DeleteValue(kHkeyLocalMachine, T, "only32"));  // not in this view
}

TEST(RegistryScannerViews, OnlyTheThreeViewsAreAccepted) {
    cScanRegistry scan;
    scan.RegistryView(64);
    try {
        scan.RegistryView(16);
        ADD_FAILURE() << "accepted";
    } catch (const vt::AppError& e) {
        EXPECT_EQ(e.Number(), 5);
        EXPECT_EQ(e.Description(), "Invalid registry view value.");
        EXPECT_NE(e.Source().find(".cScanRegistry"), std::string::npos);
    }
    EXPECT_EQ(scan.RegistryView(), 64);
}

TEST(RegistryScannerSets, ExtensionSetRestoresKeyFilter) {
    Recorder rec;
    cScanRegistry scan(&rec);
    rec.scanner = &scan;
    std::vector<std::string> keys;
    rec.onKey = [&](const std::string& k, bool&) { keys.push_back(k); };
    scan.FilterKeys("Abc");
    scan.ScanDeep(1);
    scan.BeginCustomScan(2);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), "");  // the root itself
    for (size_t i = 1; i < keys.size(); ++i) EXPECT_EQ(keys[i][0], '.') << keys[i];
    EXPECT_GT(keys.size(), 1u);
    EXPECT_EQ(scan.FilterKeys(), "abc");
    EXPECT_FALSE(scan.ScanSubKeys());
    EXPECT_EQ(rec.done, 1);
}

TEST(RegistryScannerSets, UnknownSetScansNothingAndRestores) {
    Recorder rec;
    cScanRegistry scan(&rec);
    scan.FilterKeys("k");
    scan.BeginScanning(kHkeyCurrentUser, "Software\\VantorileTestsNoSuchKey");  // leaves counts at 1/0
    rec.log.clear();
    scan.BeginCustomScan(42);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"Done 0 0"}));
    EXPECT_EQ(scan.CustomScanPath(), 42);
    EXPECT_EQ(scan.FilterKeys(), "k");
    EXPECT_FALSE(scan.ScanSubKeys());
    EXPECT_FALSE(scan.Scanning());
    EXPECT_EQ(scan.ScanPath(), "Software\\VantorileTestsNoSuchKey");
}

TEST(RegistryScannerSets, CancelBeforeTheNextLocation) {
    RunKeysFixture run;
    Recorder rec;
    cScanRegistry scan(&rec);
    rec.onKey = [&](const std::string&, bool&) { scan.CancelScanning(); };
    scan.ScanDeep(1);
    scan.BeginCustomScan(7);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"K " + vt::scan::LocationSet(7)[0].path, "Done 0 1"}));
}

}  // namespace
