#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Text.h"
#include "core/Utf8.h"
#include "tasks/pure/TaskXml.h"

namespace {

using vt::tasks::ActionKind;
using vt::tasks::ReadTaskXml;
using vt::tasks::TaskXmlResult;
using vt::tasks::TriggerKind;

// UTF-16 bytes of a UTF-8 text, in either order, with or without the byte-order mark.
std::string Utf16(const std::string& utf8, bool little = true, bool bom = true) {
    std::string out;
    auto unit = [&](char16_t u) {
        char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? lo : hi;
        out += little ? hi : lo;
    };
    if (bom) unit(0xFEFF);
    vt::ForEachCodePoint(utf8, [&](char32_t cp, bool) {
        if (cp < 0x10000) {
            unit(static_cast<char16_t>(cp));
        } else {
            unit(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            unit(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    });
    return out;
}

// A definition as the system writes one, with the parts a case changes.
std::string TaskDoc(const std::string& registration, const std::string& triggers, const std::string& settings,
                    const std::string& actions) {
    return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
           "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
           "  <RegistrationInfo>\r\n" +
           registration +
           "  </RegistrationInfo>\r\n"
           "  <Triggers>\r\n" +
           triggers +
           "  </Triggers>\r\n"
           "  <Principals>\r\n"
           "    <Principal id=\"Author\">\r\n"
           "      <UserId>S-1-5-21-1000</UserId>\r\n"
           "      <LogonType>InteractiveToken</LogonType>\r\n"
           "    </Principal>\r\n"
           "  </Principals>\r\n"
           "  <Settings>\r\n"
           "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n" +
           settings +
           "  </Settings>\r\n"
           "  <Actions Context=\"Author\">\r\n" +
           actions +
           "  </Actions>\r\n"
           "</Task>\r\n";
}

const std::string kUpdater = TaskDoc(
    "    <Date>2024-03-01T10:00:00</Date>\r\n    <Author>Vendor Srl</Author>\r\n"
    "    <Description>Keeps the product up to date.</Description>\r\n    <URI>\\Vendor\\Updater</URI>\r\n",
    "    <LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n    </LogonTrigger>\r\n",
    "    <Enabled>true</Enabled>\r\n    <Hidden>false</Hidden>\r\n",
    "    <Exec>\r\n      <Command>C:\\vt\\upd\\updater.exe</Command>\r\n      <Arguments>/silent</Arguments>\r\n"
    "      <WorkingDirectory>C:\\vt\\upd</WorkingDirectory>\r\n    </Exec>\r\n");

struct Expected {
    std::string path, author, description;
    bool enabled = true, hidden = false;
    std::vector<TriggerKind> triggers;
    std::vector<std::vector<std::string>> actions;  // kind ("exec", "com", "other") and its texts
};

std::vector<std::vector<std::string>> ActionsOf(const TaskXmlResult& r) {
    std::vector<std::vector<std::string>> out;
    for (const auto& a : r.task.actions) {
        switch (a.kind) {
        case ActionKind::Exec: out.push_back({"exec", a.command, a.arguments, a.workingDirectory}); break;
        case ActionKind::ComHandler: out.push_back({"com", a.classId}); break;
        case ActionKind::Other: out.push_back({"other"}); break;
        }
    }
    return out;
}

void ExpectTask(const TaskXmlResult& r, const Expected& e, const std::string& what) {
    ASSERT_TRUE(r.ok) << what << ": " << r.error;
    EXPECT_EQ(r.task.path, e.path) << what;
    EXPECT_EQ(r.task.author, e.author) << what;
    EXPECT_EQ(r.task.description, e.description) << what;
    EXPECT_EQ(r.task.enabled, e.enabled) << what;
    EXPECT_EQ(r.task.hidden, e.hidden) << what;
    EXPECT_EQ(r.task.triggers, e.triggers) << what;
    EXPECT_EQ(ActionsOf(r), e.actions) << what;
}

TEST(TaskXml, ReadsDefinitionsInEveryFormTheyAreWritten) {
    const std::string ns = "http://schemas.microsoft.com/windows/2004/02/mit/task";
    struct Case {
        const char* what;
        std::string xml;
        Expected expected;
    } cases[] = {
        {"the system's own form",
         kUpdater,
         {"\\Vendor\\Updater",
          "Vendor Srl",
          "Keeps the product up to date.",
          true,
          false,
          {TriggerKind::Logon},
          {{"exec", "C:\\vt\\upd\\updater.exe", "/silent", "C:\\vt\\upd"}}}},
        {"prefixed names",
         "<t:Task xmlns:t=\"" + ns +
             "\"><t:RegistrationInfo><t:URI>\\P\\Q</t:URI></t:RegistrationInfo>"
             "<t:Settings><t:Hidden>true</t:Hidden></t:Settings><t:Triggers><t:BootTrigger/></t:Triggers>"
             "<t:Actions><t:Exec><t:Command>a.exe</t:Command></t:Exec></t:Actions></t:Task>",
         {"\\P\\Q", "", "", true, true, {TriggerKind::Boot}, {{"exec", "a.exe", "", ""}}}},
        {"a prefix bound below the root",
         "<Task xmlns=\"" + ns + "\"><Actions><k:Exec xmlns:k=\"" + ns +
             "\"><k:Command>b.exe</k:Command></k:Exec></Actions></Task>",
         {"\\Fallback\\Name", "", "", true, false, {}, {{"exec", "b.exe", "", ""}}}},
        {"elements of other namespaces are not the task's",
         "<Task xmlns=\"" + ns +
             "\" xmlns:x=\"urn:other\"><Actions><x:Exec><Command>x.exe</Command></x:Exec>"
             "<Exec xmlns=\"urn:other\"><Command>y.exe</Command></Exec><Exec><Command>z.exe</Command>"
             "<x:Command>w.exe</x:Command></Exec></Actions><Triggers><x:LogonTrigger/><u:BootTrigger/>"
             "</Triggers><Settings><x:Enabled>false</x:Enabled></Settings></Task>",
         {"\\Fallback\\Name", "", "", true, false, {}, {{"exec", "z.exe", "", ""}}}},
        {"no namespace at all",
         "<Task><Settings><Enabled>false</Enabled></Settings><Actions><Exec><Command>n.exe</Command></Exec>"
         "</Actions></Task>",
         {"\\Fallback\\Name", "", "", false, false, {}, {{"exec", "n.exe", "", ""}}}},
        {"defaults: no settings, no URI, no triggers, no actions",
         "<Task xmlns=\"" + ns + "\"><RegistrationInfo><Author>A</Author></RegistrationInfo></Task>",
         {"\\Fallback\\Name", "A", "", true, false, {}, {}}},
        {"entities",
         TaskDoc("<Description>Tom &amp; Jerry &lt;3 &quot;caf&#233;&quot; &#x20AC;&apos;</Description>", "", "",
                 "<Exec><Command>C:\\a&amp;b\\x.exe</Command><Arguments>-q &quot;%TEMP%\\a b&quot;</Arguments>"
                 "</Exec>"),
         {"\\Fallback\\Name",
          "",
          "Tom & Jerry <3 \"caf\xc3\xa9\" \xe2\x82\xac'",
          true,
          false,
          {},
          {{"exec", "C:\\a&b\\x.exe", "-q \"%TEMP%\\a b\"", ""}}}},
        {"CDATA, alone and beside text; a comment inside a value",
         TaskDoc("", "", "",
                 "<Exec><Command><![CDATA[C:\\x <y> & z.exe]]></Command><Arguments> -a <![CDATA[<b>]]> c "
                 "</Arguments><WorkingDirectory>C:\\w<!-- note -->ork</WorkingDirectory></Exec>"),
         {"\\Fallback\\Name", "", "", true, false, {}, {{"exec", "C:\\x <y> & z.exe", "-a <b> c", "C:\\work"}}}},
        {"blanks around values go, blanks inside stay",
         TaskDoc("<URI>\r\n   \\Spaced\\Task \t</URI><Author>  Mario  Rossi </Author>", "", "",
                 "<Exec>\r\n<Command>\r\n      C:\\Program Files\\V\\v.exe   </Command>\r\n"
                 "<Arguments>  a   b  </Arguments></Exec>"),
         {"\\Spaced\\Task",
          "Mario  Rossi",
          "",
          true,
          false,
          {},
          {{"exec", "C:\\Program Files\\V\\v.exe", "a   b", ""}}}},
        {"the Boolean forms of the schema",
         TaskDoc("", "", "<Enabled> 0 </Enabled><Hidden>1</Hidden>", ""),
         {"\\Fallback\\Name", "", "", false, true, {}, {}}},
        {"a Boolean that is none keeps the default",
         TaskDoc("", "", "<Enabled>maybe</Enabled><Hidden></Hidden>", ""),
         {"\\Fallback\\Name", "", "", true, false, {}, {}}},
        {"every trigger kind",
         TaskDoc("",
                 "<LogonTrigger/><BootTrigger/><TimeTrigger/><CalendarTrigger/><IdleTrigger/><EventTrigger/>"
                 "<RegistrationTrigger/><SessionStateChangeTrigger/><WnfStateChangeTrigger/>",
                 "", ""),
         {"\\Fallback\\Name",
          "",
          "",
          true,
          false,
          {TriggerKind::Logon, TriggerKind::Boot, TriggerKind::Time, TriggerKind::Calendar, TriggerKind::Idle,
           TriggerKind::Event, TriggerKind::Registration, TriggerKind::SessionChange, TriggerKind::Other},
          {}}},
        {"every action kind, in order",
         TaskDoc("", "", "",
                 "<Exec><Command>one.exe</Command></Exec><ComHandler><ClassId>{11111111-2222-3333-4444-"
                 "555555555555}</ClassId><Data><![CDATA[<x/>]]></Data></ComHandler><SendEmail><Server>s</Server>"
                 "</SendEmail><Exec><Command>two.exe</Command></Exec>"),
         {"\\Fallback\\Name",
          "",
          "",
          true,
          false,
          {},
          {{"exec", "one.exe", "", ""},
           {"com", "{11111111-2222-3333-4444-555555555555}"},
           {"other"},
           {"exec", "two.exe", "", ""}}}},
        {"non-ASCII text",
         TaskDoc("<URI>\\Caff\xc3\xa8\\Aggiorna \xe2\x82\xac</URI><Description>\xf0\x9f\x98\x80</Description>", "", "",
                 ""),
         {"\\Caff\xc3\xa8\\Aggiorna \xe2\x82\xac", "", "\xf0\x9f\x98\x80", true, false, {}, {}}},
    };
    for (const auto& c : cases) ExpectTask(ReadTaskXml(c.xml, "\\Fallback\\Name"), c.expected, c.what);
}

TEST(TaskXml, EveryEncodingReadsTheSame) {
    const std::string text = TaskDoc("<Description>Aggiorna \xc3\xa8 \xe2\x82\xac \xf0\x9f\x98\x80</Description>",
                                     "<BootTrigger/>", "", "<Exec><Command>C:\\x.exe</Command></Exec>");
    const Expected e{"\\F",
                     "",
                     "Aggiorna \xc3\xa8 \xe2\x82\xac \xf0\x9f\x98\x80",
                     true,
                     false,
                     {TriggerKind::Boot},
                     {{"exec", "C:\\x.exe", "", ""}}};
    const std::pair<const char*, std::string> forms[] = {
        {"UTF-16 LE with BOM", Utf16(text)},
        {"UTF-16 BE with BOM", Utf16(text, false)},
        {"UTF-16 LE without BOM", Utf16(text, true, false)},
        {"UTF-16 BE without BOM", Utf16(text, false, false)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text},
        {"UTF-8", text},
        {"UTF-16 LE with a NUL at the end", Utf16(text) + std::string(2, '\0')},
    };
    for (const auto& [what, bytes] : forms) ExpectTask(ReadTaskXml(bytes, "\\F"), e, what);
}

TEST(TaskXml, TextThatCannotBeReadIsReplacedNeverPassedOn) {
    // An unpaired surrogate, a byte of no UTF-8 sequence, a file cut inside a unit.
    std::string lone = Utf16("<Task><RegistrationInfo><Author>a");
    lone += std::string("\x00\xD8", 2) + Utf16("b</Author></RegistrationInfo></Task>", true, false);
    auto r = ReadTaskXml(lone, "\\F");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.task.author,
              "a\xef\xbf\xbd"
              "b");
    EXPECT_FALSE(vt::tasks::DecodeTaskText(lone).exact);

    r = ReadTaskXml("<Task><RegistrationInfo><Author>caf\xe9</Author></RegistrationInfo></Task>", "\\F");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.task.author, "caf\xef\xbf\xbd");

    // References to characters that are no text: a lone surrogate, NUL.
    r = ReadTaskXml("<Task><RegistrationInfo><Author>x&#xD800;y&#0;z</Author></RegistrationInfo></Task>", "\\F");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.task.author, "x\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdyz");

    auto odd = Utf16(kUpdater);
    odd.pop_back();
    EXPECT_FALSE(vt::tasks::DecodeTaskText(odd).exact);
}

TEST(TaskXml, WhatIsNoDefinitionIsAnErrorWithTheCallersPath) {
    const std::string cut = Utf16(kUpdater).substr(0, Utf16(kUpdater).size() / 2);
    std::string deep = "<Task>";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    const std::pair<const char*, std::string> cases[] = {
        {"0 bytes", ""},
        {"blanks only", Utf16(" \r\n\t ")},
        {"not XML", "Questo non \xc3\xa8 un file XML.\r\n"},
        {"cut in the middle", cut},
        {"cut inside a tag", kUpdater.substr(0, kUpdater.find("<Command>") + 4)},
        {"closing tags that do not match", "<Task><Actions></Triggers></Task>"},
        {"an attribute without quotes", "<Task version=1.2></Task>"},
        {"a NUL inside", std::string("<Task>\0</Task>", 14)},
        {"binary", std::string("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xff\xff", 14)},
        {"another document", "<?xml version=\"1.0\"?><html><body>x</body></html>"},
        {"the task element in another namespace", "<Task xmlns=\"urn:other\"></Task>"},
        {"an unbound prefix", "<t:Task></t:Task>"},
        {"nesting past the limit", deep},
        {"larger than any task file", std::string(vt::tasks::kMaxTaskFileBytes + 1, ' ')},
    };
    for (const auto& [what, bytes] : cases) {
        auto r = ReadTaskXml(bytes, "\\Vendor\\Broken");
        EXPECT_FALSE(r.ok) << what;
        EXPECT_FALSE(r.error.empty()) << what;
        EXPECT_EQ(r.task.path, "\\Vendor\\Broken") << what;
        EXPECT_TRUE(r.task.actions.empty()) << what;
    }
}

TEST(TaskXml, NestingIsCountedAsTheParserMeetsIt) {
    auto nested = [](int levels, const std::string& around) {
        std::string s = "<Task><Actions><Exec><Command>n.exe</Command></Exec></Actions>";
        for (int i = 0; i < levels; ++i) s += "<Data>";
        s += around;
        for (int i = 0; i < levels; ++i) s += "</Data>";
        return s + "</Task>";
    };
    const int room = vt::tasks::kMaxTaskXmlDepth - 1;  // the Task element takes one level
    EXPECT_TRUE(ReadTaskXml(nested(room, ""), "\\F").ok);
    EXPECT_FALSE(ReadTaskXml(nested(room + 1, ""), "\\F").ok);
    // What only looks like elements is not counted: comments, CDATA, attribute values,
    // declarations, processing instructions, empty elements.
    std::string looks;
    for (int i = 0; i < 1000; ++i) looks += "<a>";
    std::string empties;
    for (int i = 0; i < 1000; ++i) empties += "<e x='>'/>";
    const std::string lookalikes[] = {"<!--" + looks + "-->", "<![CDATA[" + looks + "]]>",
                                      "<v a=\"" + looks + "\" b='" + looks + "'/>", "<?pi " + looks + "?>", empties};
    for (const auto& s : lookalikes) {
        auto r = ReadTaskXml(nested(room - 1, s), "\\F");
        EXPECT_TRUE(r.ok) << r.error << " " << s.substr(0, 20);
        EXPECT_EQ(r.task.actions.size(), 1u);
    }
}

TEST(TaskXml, LargeDefinitionsAreRead) {
    std::string big(5u << 20, 'x');
    auto r = ReadTaskXml(Utf16(TaskDoc("<Description>" + big + "</Description>", "<LogonTrigger/>", "",
                                       "<Exec><Command>C:\\big.exe</Command></Exec>")),
                         "\\F");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.task.description.size(), big.size());
    ASSERT_EQ(r.task.actions.size(), 1u);
    EXPECT_EQ(r.task.actions[0].command, "C:\\big.exe");
}

TEST(TaskXml, BackupsAreUtf16WithTheirDefinitionWhole) {
    using vt::tasks::TaskXmlForBackup;
    // The system's own form is kept byte for byte.
    const std::string le = Utf16(kUpdater);
    EXPECT_EQ(TaskXmlForBackup(le), le);

    // UTF-8 and UTF-16 BE become UTF-16 LE, and the declaration says so.
    const std::string utf8 = vt::ReplaceAll(kUpdater, "encoding=\"UTF-16\"", "encoding=\"UTF-8\"");
    for (const std::string& bytes : {utf8, "\xEF\xBB\xBF" + utf8, Utf16(kUpdater, false)}) {
        const std::string out = TaskXmlForBackup(bytes);
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out.substr(0, 2), "\xFF\xFE");
        EXPECT_EQ(out, Utf16(kUpdater));
    }

    // Bytes that are no exact text are kept as they are: nothing is lost.
    const std::string junk("<Task>\xff\xfe\xfd</Task", 12);
    EXPECT_EQ(TaskXmlForBackup(junk), junk);
    EXPECT_EQ(TaskXmlForBackup(""), "");
}

TEST(TaskXml, TriggerNamesAreTheConsolesOwn) {
    const std::pair<TriggerKind, const char*> names[] = {
        {TriggerKind::Logon, "logon"},
        {TriggerKind::Boot, "boot"},
        {TriggerKind::Time, "time"},
        {TriggerKind::Calendar, "calendar"},
        {TriggerKind::Idle, "idle"},
        {TriggerKind::Event, "event"},
        {TriggerKind::Registration, "registration"},
        {TriggerKind::SessionChange, "session-change"},
        {TriggerKind::Other, "other"},
    };
    for (const auto& [kind, name] : names) EXPECT_EQ(vt::tasks::TriggerName(kind), name);
}

}  // namespace
