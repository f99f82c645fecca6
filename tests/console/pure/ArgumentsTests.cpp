#include <gtest/gtest.h>

#include "console/pure/Arguments.h"

namespace {

using vt::ListKind;
using vt::ParsedArguments;
using vt::ReportFormat;
using Action = ParsedArguments::Action;

ParsedArguments Parse(const std::vector<std::string>& args) { return vt::ParseArguments(args, "1.0.0"); }

TEST(Arguments, GoodCommandLines) {
    struct Case {
        std::vector<std::string> args;
        ListKind kind;
        bool system;
        ReportFormat format;
        bool noReputation;
        const char* output;
    } cases[] = {
        {{"processes"}, ListKind::Processes, false, ReportFormat::Text, false, ""},
        {{"processes", "--system", "--format", "csv"}, ListKind::Processes, true, ReportFormat::Csv, false, ""},
        {{"processes", "--format=json", "--no-reputation", "--output", "C:\\out\\città.json"},
         ListKind::Processes,
         false,
         ReportFormat::Json,
         true,
         "C:\\out\\città.json"},
        {{"startup"}, ListKind::Startup, false, ReportFormat::Text, false, ""},
        {{"startup", "--output=x.csv", "--format", "csv", "--no-reputation"},
         ListKind::Startup,
         false,
         ReportFormat::Csv,
         true,
         "x.csv"},
        {{"startup", "--format", "text"}, ListKind::Startup, false, ReportFormat::Text, false, ""},
        {{"autostart"}, ListKind::Autostart, false, ReportFormat::Text, false, ""},
        {{"autostart", "--format", "json", "--no-reputation", "--output", "altri.json"},
         ListKind::Autostart,
         false,
         ReportFormat::Json,
         true,
         "altri.json"},
    };
    for (const auto& c : cases) {
        ParsedArguments p = Parse(c.args);
        ASSERT_EQ(p.action, Action::Run) << c.args[0] << " " << p.err;
        EXPECT_EQ(p.options.kind, c.kind);
        EXPECT_EQ(p.options.system, c.system);
        EXPECT_EQ(p.options.format, c.format);
        EXPECT_EQ(p.options.noReputation, c.noReputation);
        EXPECT_EQ(p.options.output, c.output);
        EXPECT_TRUE(p.err.empty());
        EXPECT_TRUE(p.out.empty());
    }
}

TEST(Arguments, NoSignaturesOnEitherList) {
    const struct {
        std::vector<std::string> args;
        bool noSignatures;
    } cases[] = {
        {{"processes"}, false},
        {{"processes", "--no-signatures", "--system"}, true},
        {{"startup", "--no-reputation", "--no-signatures"}, true},
        {{"startup", "--format", "json"}, false},
    };
    for (const auto& c : cases) {
        ParsedArguments p = Parse(c.args);
        ASSERT_EQ(p.action, Action::Run) << p.err;
        EXPECT_EQ(p.options.noSignatures, c.noSignatures) << c.args.size();
    }
    EXPECT_NE(vt::UsageText().find("[--no-signatures]"), std::string::npos);
}

TEST(Arguments, BadCommandLinesGiveOneReasonLineThenTheUsage) {
    std::vector<std::vector<std::string>> cases = {
        {},
        {"list"},
        {"processes", "--format", "xml"},
        {"processes", "--format"},
        {"processes", "--output"},
        {"processes", "--output", ""},
        {"startup", "--system"},  // only the process list has system processes
        {"processes", "startup"},
        {"processes", "--bogus"},
        {"processes", "extra"},
        {"processes", "--format", "csv", "--format", "json"},
        {"--system", "processes"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) shown += "[" + a + "]";
        ParsedArguments p = Parse(args);
        EXPECT_EQ(p.action, Action::Error) << shown;
        EXPECT_TRUE(p.out.empty()) << shown;
        ASSERT_EQ(p.err.rfind("vantorilec: ", 0), 0u) << shown << p.err;
        const std::string reason = p.err.substr(0, p.err.find('\n'));
        EXPECT_GT(reason.size(), std::string("vantorilec: ").size()) << shown;
        EXPECT_EQ(p.err.substr(reason.size() + 1), vt::UsageText()) << shown;
    }
}

TEST(Arguments, HelpAndVersionPrintForStandardOutput) {
    ParsedArguments help = Parse({"--help"});
    ASSERT_EQ(help.action, Action::Print);
    EXPECT_NE(help.out.find("processes"), std::string::npos);
    EXPECT_NE(help.out.find("startup"), std::string::npos);
    EXPECT_TRUE(help.err.empty());

    ParsedArguments sub = Parse({"processes", "--help"});
    ASSERT_EQ(sub.action, Action::Print);
    EXPECT_NE(sub.out.find("--system"), std::string::npos);
    EXPECT_NE(sub.out.find("--output"), std::string::npos);

    ParsedArguments startupHelp = Parse({"startup", "-h"});
    ASSERT_EQ(startupHelp.action, Action::Print);
    EXPECT_EQ(startupHelp.out.find("--system"), std::string::npos);

    ParsedArguments version = Parse({"--version"});
    ASSERT_EQ(version.action, Action::Print);
    EXPECT_EQ(version.out, "vantorilec 1.0.0\n");
}

}  // namespace
