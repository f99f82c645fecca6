#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "console/pure/Report.h"
#include "console/pure/CsvReader.h"

namespace {

using vt::ProcessRow;
using vt::ReportFormat;
using vt::StartupRow;

const vt::ReportHeader kHeader{"1.0.0", "PC-UFFICIO", "2026-12-10T11:02:45Z"};

std::vector<StartupRow> AwkwardStartupRows() {
    StartupRow a;
    a.name = "Agg, \"speciale\"";
    a.command = "\"C:\\Programmi\\Città\\agg.exe\" /q\r\nseconda riga";
    a.code = "CUR";
    a.location = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    a.grade = 2;
    StartupRow b;
    b.name = "Perché\nno.lnk";
    b.command = "C:\\Windows\\système\\x.exe";
    b.code = "UST";
    b.location = "C:\\users\\io\\Start Menu\\Programs\\StartUp";
    b.view = "32";
    b.disabled = true;
    b.grade = 0;
    b.impostor = true;
    StartupRow c;  // nothing to quote
    c.name = "plain";
    c.command = "plain.exe";
    c.code = "LMR";
    c.location = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    c.grade = 4;
    return {a, b, c};
}

TEST(Csv, RoundTripsCommasQuotesLineBreaksAndAccents) {
    auto rows = AwkwardStartupRows();
    const std::string csv = vt::StartupReport(ReportFormat::Csv, kHeader, rows);
    auto table = vt::test::ParseCsv(csv);
    ASSERT_EQ(table.size(), rows.size() + 1);
    EXPECT_EQ(table[0], (std::vector<std::string>{"name", "command", "code", "location", "view", "disabled", "grade",
                                                  "verdict", "impostor", "signature", "signer", "sha256"}));
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& r = rows[i];
        EXPECT_EQ(table[i + 1], (std::vector<std::string>{r.name, r.command, r.code, r.location, r.view,
                                                          r.disabled ? "true" : "false", std::to_string(r.grade),
                                                          vt::VerdictWord(r.grade), r.impostor ? "true" : "false",
                                                          "unknown", "", ""}));
    }
    // Records end in CR LF; the header line is plain; the writer adds no byte-order mark.
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "name,command,code,location,view,disabled,grade,verdict,impostor,signature,signer,sha256");
    EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
    EXPECT_NE(csv.substr(0, 3), vt::kUtf8Bom);
}

TEST(Csv, FieldQuotingFollowsRfc4180) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"a\nb", "\"a\nb\""},
        {"a\rb", "\"a\rb\""},
        {" padded ", " padded "},
        {"città", "città"},
    };
    for (const auto& c : cases) EXPECT_EQ(vt::CsvField(c.in), c.out) << c.in;
}

TEST(Json, OneDocumentWithHeaderAndTypedItems) {
    ProcessRow p = vt::MakeProcessRow("svchost.exe", "C:\\windows\\system32\\", 1234);
    p.grade = 1;
    ProcessRow s = vt::MakeProcessRow("Registry", "SYSTEM", 88);
    ProcessRow f = vt::MakeProcessRow("svchost.exe", "C:\\Users\\io\\AppData\\", 77);
    f.impostor = true;
    const std::string text = vt::ProcessReport(ReportFormat::Json, kHeader, {p, s, f});
    auto doc = nlohmann::ordered_json::parse(text);
    std::vector<std::string> keys;
    for (auto it = doc.begin(); it != doc.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"tool", "version", "computer", "time", "kind", "items"}));
    EXPECT_EQ(doc["tool"], "vantorile");
    EXPECT_EQ(doc["version"], "1.0.0");
    EXPECT_EQ(doc["computer"], "PC-UFFICIO");
    EXPECT_EQ(doc["time"], "2026-12-10T11:02:45Z");
    EXPECT_EQ(doc["kind"], "processes");
    ASSERT_EQ(doc["items"].size(), 3u);
    const auto& a = doc["items"][0];
    EXPECT_EQ(a["name"], "svchost.exe");
    EXPECT_EQ(a["folder"], "C:\\windows\\system32\\");
    EXPECT_EQ(a["path"], "C:\\windows\\system32\\svchost.exe");
    EXPECT_TRUE(a["pid"].is_number_integer());
    EXPECT_EQ(a["pid"], 1234);
    EXPECT_EQ(a["system"], false);
    EXPECT_EQ(a["grade"], 1);
    EXPECT_EQ(a["verdict"], "safe");
    EXPECT_EQ(a["impostor"], false);
    const auto& b = doc["items"][1];
    EXPECT_EQ(b["folder"], "SYSTEM");
    EXPECT_EQ(b["path"], "");
    EXPECT_EQ(b["system"], true);
    EXPECT_EQ(b["verdict"], "none");
    EXPECT_EQ(doc["items"][2]["impostor"], true);
}

TEST(Json, StartupItemsKeepEveryCharacterAndSurviveBrokenUtf8) {
    auto rows = AwkwardStartupRows();
    StartupRow broken;
    broken.name = "bad\xC3(\xFF";  // not UTF-8
    rows.push_back(broken);
    std::string text;
    ASSERT_NO_THROW(text = vt::StartupReport(ReportFormat::Json, kHeader, rows));
    auto doc = nlohmann::json::parse(text);
    EXPECT_EQ(doc["kind"], "startup");
    ASSERT_EQ(doc["items"].size(), rows.size());
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        const auto& item = doc["items"][i];
        EXPECT_EQ(item["name"], rows[i].name);
        EXPECT_EQ(item["command"], rows[i].command);
        EXPECT_EQ(item["location"], rows[i].location);
        EXPECT_EQ(item["view"], rows[i].view);
        EXPECT_EQ(item["disabled"], rows[i].disabled);
        EXPECT_EQ(item["grade"], rows[i].grade);
    }
    EXPECT_EQ(doc["items"].back()["name"], "bad\xEF\xBF\xBD(\xEF\xBF\xBD");  // U+FFFD in place of each bad byte
}

TEST(Json, AutostartItemsNameTheirPlaceAndFile) {
    vt::AutostartRow service;
    service.name = "VtAgent";
    service.command = "C:\\vt\\svc host\\agent.exe -k";
    service.category = "service";
    service.location = "HKLM\\System\\CurrentControlSet\\Services\\VtAgent";
    service.file = "C:\\vt\\svc host\\agent.exe";
    service.disabled = true;
    service.grade = 2;
    vt::AutostartRow list;
    list.name = "Userinit";
    list.command = "C:\\vt\\evil.exe";
    list.category = "winlogon";
    list.location = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    list.view = "32";
    list.file = "C:\\vt\\evil.exe";
    list.impostor = true;
    const std::string text = vt::AutostartReport(ReportFormat::Json, kHeader, {service, list});
    auto doc = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(doc["kind"], "autostart");
    ASSERT_EQ(doc["items"].size(), 2u);
    std::vector<std::string> keys;
    for (auto it = doc["items"][0].begin(); it != doc["items"][0].end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "command", "category", "location", "view", "file", "disabled",
                                              "grade", "verdict", "impostor"}));
    const auto& a = doc["items"][0];
    EXPECT_EQ(a["command"], service.command);
    EXPECT_EQ(a["category"], "service");
    EXPECT_EQ(a["location"], service.location);
    EXPECT_EQ(a["view"], "native");
    EXPECT_EQ(a["file"], service.file);
    EXPECT_EQ(a["disabled"], true);
    EXPECT_EQ(a["grade"], 2);
    EXPECT_EQ(a["verdict"], "infected");
    EXPECT_EQ(a["impostor"], false);
    const auto& b = doc["items"][1];
    EXPECT_EQ(b["view"], "32");
    EXPECT_EQ(b["verdict"], "none");
    EXPECT_EQ(b["impostor"], true);
    const std::string csv = vt::AutostartReport(ReportFormat::Csv, kHeader, {service});
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "name,command,category,location,view,file,disabled,grade,verdict,impostor");
}

TEST(Json, EmptyListIsAnEmptyArray) {
    auto doc = nlohmann::json::parse(vt::StartupReport(ReportFormat::Json, kHeader, {}));
    EXPECT_TRUE(doc["items"].is_array());
    EXPECT_TRUE(doc["items"].empty());
}

// Each row's signature, signer and hash follow its own fields in every form, in the
// rows' order; rows past the checks read as not checked.
TEST(Signatures, FollowEachRowsFieldsInEveryForm) {
    const std::string hash(64, 'A');
    vt::SignatureResult verified{vt::SignatureStatus::Verified, "Società, \"Prova\"", false, hash};
    vt::SignatureResult tampered{vt::SignatureStatus::Invalid, "", false, std::string(64, 'B')};
    ProcessRow a = vt::MakeProcessRow("a.exe", "C:\\a\\", 1);
    ProcessRow b = vt::MakeProcessRow("b.exe", "C:\\b\\", 2);
    ProcessRow sys = vt::MakeProcessRow("Registry", "SYSTEM", 3);
    const std::vector<ProcessRow> rows{a, b, sys};
    const std::vector<vt::SignatureResult> checks{verified, tampered};

    auto table = vt::test::ParseCsv(vt::ProcessReport(ReportFormat::Csv, kHeader, rows, checks));
    ASSERT_EQ(table.size(), 4u);
    const std::vector<std::string> tail(table[0].end() - 3, table[0].end());
    EXPECT_EQ(tail, (std::vector<std::string>{"signature", "signer", "sha256"}));
    EXPECT_EQ(table[0][table[0].size() - 4], "impostor");
    const std::vector<std::vector<std::string>> want = {
        {"verified", verified.signer, hash}, {"invalid", "", tampered.sha256}, {"unknown", "", ""}};
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(std::vector<std::string>(table[i + 1].end() - 3, table[i + 1].end()), want[i]) << i;

    auto doc = nlohmann::ordered_json::parse(vt::ProcessReport(ReportFormat::Json, kHeader, rows, checks));
    const auto& first = doc["items"][0];
    std::vector<std::string> keys;
    for (auto it = first.begin(); it != first.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "folder", "path", "pid", "system", "grade", "verdict", "impostor",
                                              "signature", "signer", "sha256"}));
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(doc["items"][i]["signature"], want[i][0]) << i;
        EXPECT_EQ(doc["items"][i]["signer"], want[i][1]) << i;
        EXPECT_EQ(doc["items"][i]["sha256"], want[i][2]) << i;
    }

    std::vector<StartupRow> startup = AwkwardStartupRows();
    const std::string text = vt::StartupReport(ReportFormat::Text, kHeader, startup, {verified});
    const std::string header = text.substr(0, text.find("\r\n"));
    const size_t second = text.find("\r\n") + 2;
    const std::string line = text.substr(second, text.find("\r\n", second) - second);
    auto chars = [](const std::string& s, size_t bytes) {
        size_t n = 0;
        for (size_t i = 0; i < bytes; ++i) n += (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
        return n;
    };
    EXPECT_EQ(header.substr(header.size() - 6), "sha256");
    EXPECT_EQ(chars(header, header.rfind("signature")), chars(line, line.rfind("verified")));
    EXPECT_EQ(chars(header, header.rfind("sha256")), chars(line, line.size() - 64));
    EXPECT_EQ(line.substr(line.size() - 64), hash);
    EXPECT_NE(line.find("verified   Società, \"Prova\""), std::string::npos) << line;
    // A row past the checks: not checked, and the line ends at its last filled field.
    EXPECT_NE(text.find("unknown\r\n"), std::string::npos);
}

TEST(Text, ColumnsLineUpInCharactersAndRowsStayOnOneLine) {
    ProcessRow a = vt::MakeProcessRow("città.exe", "C:\\à\\", 7);
    a.grade = 3;
    ProcessRow b = vt::MakeProcessRow("a\r\nb.exe", "C:\\long folder name\\", 123456);
    const std::string text = vt::ProcessReport(ReportFormat::Text, kHeader, {a, b});
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line break from the names
    auto column = [](const std::string& line, const std::string& cell) {
        size_t at = line.find(cell);
        if (at == std::string::npos) return std::string::npos;
        size_t chars = 0;
        for (size_t i = 0; i < at; ++i) chars += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return chars;
    };
    EXPECT_EQ(column(lines[0], "folder"), column(lines[1], "C:\\à\\"));
    EXPECT_EQ(column(lines[0], "folder"), column(lines[2], "C:\\long folder name\\"));
    EXPECT_EQ(column(lines[0], "pid"), column(lines[1], "7 "));
    EXPECT_EQ(column(lines[0], "verdict"), column(lines[1], "target"));
    EXPECT_EQ(column(lines[0], "verdict"), column(lines[2], "none"));
    EXPECT_NE(lines[2].find("a  b.exe"), std::string::npos);
    for (const auto& line : lines) EXPECT_NE(line.back(), ' ');
}

TEST(Rows, ProcessRowsAndVerdicts) {
    ProcessRow idle = vt::MakeProcessRow("[System Process]", "SYSTEM", 0);
    EXPECT_EQ(idle.grade, 1);
    EXPECT_FALSE(idle.lookup);
    EXPECT_TRUE(idle.system);
    ProcessRow normal = vt::MakeProcessRow("[System Process]x", "C:\\", 3);
    EXPECT_TRUE(normal.lookup);
    EXPECT_EQ(normal.path, "C:\\[System Process]x");
    const char* words[] = {"none", "safe", "infected", "target", "unknown"};
    for (int g = 0; g <= 4; ++g) EXPECT_STREQ(vt::VerdictWord(g), words[g]);
    EXPECT_STREQ(vt::VerdictWord(5), "none");
    EXPECT_STREQ(vt::VerdictWord(-1), "none");
}

TEST(Time, IsoUtcIsZeroPadded) { EXPECT_EQ(vt::IsoUtcTime(2027, 1, 2, 3, 4, 5), "2027-01-02T03:04:05Z"); }

}  // namespace
