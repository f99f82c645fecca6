#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fileinfo/VersionInfo.h"
#include "fixtures/Fixtures.h"
#include "platform/WinText.h"
#include "support/TestSupport.h"

namespace {

using vt::VersionInfo;
using vt::test::FixturePath;

int32_t LastErrorNumber(const VersionInfo& vi) { return vi.LastError() ? vi.LastError()->Number() : 0; }

// Every value reads empty and every number zero, as after a failed load.
void ExpectEmpty(const VersionInfo& vi) {
    for (const std::string& s :
         {vi.Comments(), vi.CompanyName(), vi.FileDescription(), vi.FileVersion(), vi.InternalName(),
          vi.LegalCopyright(), vi.OriginalFileName(), vi.ProductName(), vi.ProductVersion(), vi.LegalTrademarks(),
          vi.LegalTrademarks1(), vi.LegalTrademarks2(), vi.PrivateBuild(), vi.SpecialBuild()})
        EXPECT_EQ(s, "");
    EXPECT_EQ(vi.TranslationKey(), "");
    EXPECT_EQ(vi.Language(), 0);
    EXPECT_EQ(vi.CodePage(), 0);
    EXPECT_EQ(vi.FileFlagsRaw(), 0);
    EXPECT_EQ(vi.FileOSRaw(), 0);
    EXPECT_EQ(vi.FileTypeRaw(), 0);
    EXPECT_EQ(vi.FileSubTypeRaw(), 0);
    EXPECT_EQ(vi.FileFlags(), "");
    EXPECT_EQ(vi.FileOS(), "Unknown API");
    EXPECT_EQ(vi.FileType(), "Unknown");
    EXPECT_EQ(vi.FileSubType(), "Unknown");
}

TEST(VersionInfo, ReadsEveryValueUnderTheFirstTranslation) {
    VersionInfo vi;
    ExpectEmpty(vi);  // a new object holds nothing
    vi.FileName(FixturePath("vi_full.exe"));
    EXPECT_FALSE(vi.LastError()) << vi.LastError()->Description();
    EXPECT_EQ(vi.FileName(), FixturePath("vi_full.exe"));
    EXPECT_EQ(vi.TranslationKey(), "041004E4");  // the decoy 040904E4 block must not be read
    EXPECT_EQ(vi.Language(), 1040);
    EXPECT_EQ(vi.CodePage(), 1252);
    EXPECT_EQ(vi.Comments(), "Fixture comments");
    EXPECT_EQ(vi.CompanyName(), "Societ\xc3\xa0 Fixture");  // UTF-8 under the program's code page
    EXPECT_EQ(vi.FileDescription(), "Fixture description");
    EXPECT_EQ(vi.FileVersion(), "2.5.0.17");
    EXPECT_EQ(vi.InternalName(), "vi_full");
    EXPECT_EQ(vi.LegalCopyright(), "Copyright fixture");
    EXPECT_EQ(vi.OriginalFileName(), "vi_full.exe");
    EXPECT_EQ(vi.ProductName(), "Fixture Product");
    EXPECT_EQ(vi.ProductVersion(), "2.5");
    EXPECT_EQ(vi.LegalTrademarks(), "TM zero");
    EXPECT_EQ(vi.LegalTrademarks1(), "TM one");
    EXPECT_EQ(vi.LegalTrademarks2(), "TM two");
    EXPECT_EQ(vi.PrivateBuild(), "private build");
    EXPECT_EQ(vi.SpecialBuild(), "special build");
    EXPECT_EQ(vi.FileFlagsRaw(), 0x0B);
    EXPECT_EQ(vi.FileFlags(), "Debug Pre-release Private ");
    EXPECT_EQ(vi.FileOSRaw(), 0x40004);
    EXPECT_EQ(vi.FileOS(), "Win32 API on Windows NT");
    EXPECT_EQ(vi.FileTypeRaw(), 1);
    EXPECT_EQ(vi.FileType(), "Application");
    EXPECT_EQ(vi.FileSubType(), "Unknown");
}

TEST(VersionInfo, ZeroTranslationIsLookedUpAsUsEnglishAnsi) {
    VersionInfo vi;
    vi.FileName(FixturePath("vi_zero.dll"));
    EXPECT_EQ(vi.TranslationKey(), "040904E4");
    EXPECT_EQ(vi.CompanyName(), "Zero translation");
    EXPECT_EQ(vi.Language(), 1033);
    EXPECT_EQ(vi.CodePage(), 1252);
    // Flags 0x3F under mask 0x01.
    EXPECT_EQ(vi.FileFlagsRaw(), 1);
    EXPECT_EQ(vi.FileFlags(), "Debug ");
    EXPECT_EQ(vi.FileOS(), "Win32 API");
    EXPECT_EQ(vi.FileType(), "Driver");
    EXPECT_EQ(vi.FileSubType(), "System");
}

TEST(VersionInfo, Utf8CodePageEmbeddedNulAndVirtualDevice) {
    VersionInfo vi;
    vi.FileName(FixturePath("vi_utf8.dll"));
    EXPECT_EQ(vi.TranslationKey(), "0409FDE9");
    EXPECT_EQ(vi.CodePage(), -535);
    EXPECT_EQ(vi.Language(), 1033);
    EXPECT_EQ(vi.Comments(), "before");  // cut at the embedded NUL
    EXPECT_EQ(vi.CompanyName(), "Utf8 Company");
    EXPECT_EQ(vi.LegalTrademarks(), "");  // present but empty
    EXPECT_EQ(vi.ProductName(), "");      // absent
    EXPECT_EQ(vi.FileOS(), "Win16 API on DOS");
    EXPECT_EQ(vi.FileType(), "VXD");
    EXPECT_EQ(vi.FileSubTypeRaw(), 0x27);
    EXPECT_EQ(vi.FileSubType(), "39");
}

TEST(VersionInfo, FailedLoadsLeaveEverythingEmpty) {
    vt::test::TempDir dir;
    // A program cut off in the middle of its version resource.
    std::string bytes = vt::test::ReadBytes(FixturePath("vi_full.exe"));
    const size_t resource = vt::test::FindNodeKey(bytes, "VS_VERSION_INFO");
    ASSERT_NE(resource, std::string::npos);
    ASSERT_TRUE(vt::test::WriteFile(dir / "cut.exe", bytes.substr(0, resource + 100)));
    ASSERT_TRUE(vt::test::WriteFile(dir / "notes.txt", "not a program"));
    struct Case {
        std::string path;
        int32_t error;
    } cases[] = {
        {FixturePath("vi_console.exe"), VersionInfo::kErrInfoSize},  // no version resource
        {dir / "missing.exe", VersionInfo::kErrInfoSize},
        {dir / "cut.exe", VersionInfo::kErrInfoSize},
        {dir / "notes.txt", VersionInfo::kErrInfoSize},
        {dir.path(), VersionInfo::kErrInfoSize},
        {"", VersionInfo::kErrNoFileName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        VersionInfo vi;
        vi.FileName(FixturePath("vi_full.exe"));
        ASSERT_EQ(vi.CompanyName(), "Societ\xc3\xa0 Fixture");
        vi.FileName(c.path);  // a new load forgets everything the last one read
        ExpectEmpty(vi);
        EXPECT_EQ(LastErrorNumber(vi), c.error);
        ASSERT_TRUE(vi.LastError());
        EXPECT_EQ(vi.LastError()->Source(), "VersionInfo");
    }
    VersionInfo vi;
    vi.FileName("");
    ASSERT_TRUE(vi.LastError());
    EXPECT_EQ(vi.LastError()->Description(),
              "Either you haven't specified a valid file name, or the module you specified can't be associated with a "
              "file.");
    EXPECT_EQ(vi.LastError()->Number(), -2127660985);
}

TEST(VersionInfo, ModuleNameReadsTheLoadedModulesFile) {
    VersionInfo vi;
    vi.FileName(FixturePath("vi_full.exe"));
    vi.ModuleName("vi_zero.dll");  // not loaded in this process
    EXPECT_EQ(LastErrorNumber(vi), VersionInfo::kErrModuleHandle);
    ExpectEmpty(vi);

    vt::UniqueHModule lib(::LoadLibraryA(FixturePath("vi_zero.dll").c_str()));
    ASSERT_TRUE(lib);
    vi.ModuleName("vi_zero.dll");
    EXPECT_FALSE(vi.LastError());
    EXPECT_EQ(vi.FileName(), vt::ModulePath(lib.get()));
    EXPECT_EQ(vi.CompanyName(), "Zero translation");
    // While a module name is set, a load reads the module whatever the file name says.
    vi.FileName(FixturePath("vi_utf8.dll"));
    EXPECT_EQ(vi.FileName(), vt::ModulePath(lib.get()));
    EXPECT_EQ(vi.CompanyName(), "Zero translation");

    // The running program itself, by its file name.
    VersionInfo self;
    self.ModuleName("fileinfo_tests.exe");
    EXPECT_EQ(self.FileName(), vt::ModulePath());
    EXPECT_EQ(self.ProductName(), "Vantorile");
}

TEST(VersionInfo, MalformedResourcesGiveEmptyValuesNotACrash) {
    vt::test::TempDir dir;
    const std::string original = vt::test::ReadBytes(FixturePath("vi_utf8.dll"));
    const size_t root = vt::test::FindNodeKey(original, "VS_VERSION_INFO");
    const size_t comments = vt::test::FindNodeKey(original, "Comments");
    const size_t translation = vt::test::FindNodeKey(original, "Translation");
    ASSERT_NE(root, std::string::npos);

    struct Case {
        const char* name;
        size_t key;
        size_t back;
        uint16_t value;
    } cases[] = {
        {"root_overlong.dll", root, 6, 0xFFF0},        // claims far more than the resource holds
        {"fixed_short.dll", root, 4, 8},               // fixed information cut to 8 bytes
        {"value_overlong.dll", comments, 4, 0x7FFF},   // a string claiming 32767 characters
        {"translation_short.dll", translation, 4, 2},  // half a translation entry
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = original;
        vt::test::PatchWord(bytes, c.key, c.back, c.value);
        ASSERT_TRUE(vt::test::WriteFile(dir / c.name, bytes));
    }

    VersionInfo vi;
    vi.FileName(dir / "root_overlong.dll");
    // The nodes themselves are intact, but the platform's reader may place the text
    // where the false length points, outside the block: then it reads as empty.
    const std::string company = vi.CompanyName();
    EXPECT_TRUE(company == "" || company == "Utf8 Company") << company;

    vi.FileName(dir / "fixed_short.dll");
    EXPECT_EQ(LastErrorNumber(vi), VersionInfo::kErrFixedInfo);
    EXPECT_EQ(vi.FileTypeRaw(), 0);
    EXPECT_EQ(vi.FileSubType(), "Unknown");

    vi.FileName(dir / "value_overlong.dll");
    const std::string comment = vi.Comments();
    EXPECT_TRUE(comment == "" || comment.rfind("before", 0) == 0) << comment;
    EXPECT_EQ(vi.CodePage(), -535);

    // No usable translation: strings empty, fixed information still read.
    vi.FileName(dir / "translation_short.dll");
    EXPECT_EQ(LastErrorNumber(vi), VersionInfo::kErrTranslation);
    EXPECT_EQ(vi.TranslationKey(), "");
    EXPECT_EQ(vi.CompanyName(), "");
    EXPECT_EQ(vi.Language(), 0);
    EXPECT_EQ(vi.FileType(), "VXD");
    EXPECT_EQ(vi.FileSubType(), "39");
}

TEST(VersionInfo, PathLongerThanMaxPathIsReadOrLeftEmpty) {
    vt::test::TempDir dir;
    std::string path;
    {
        vt::test::LongPathDir deep(dir.path());
        path = deep.Place("vi_full.exe", "long.exe");
        ASSERT_GT(path.size(), 260u);
        VersionInfo vi;
        vi.FileName(path);
        // The narrow calls may refuse such a path; what they do read must be right.
        if (vi.LastError()) {
            ExpectEmpty(vi);
        } else {
            EXPECT_EQ(vi.CompanyName(), "Societ\xc3\xa0 Fixture");
        }
    }
    EXPECT_FALSE(::GetFileAttributesW((L"\\\\?\\" + vt::Widen(path)).c_str()) != INVALID_FILE_ATTRIBUTES);
}

}  // namespace
