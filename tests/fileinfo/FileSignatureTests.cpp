// The signature check of one file against real signed programs made at build time (a
// test root, a code-signing leaf, osslsigncode), with the root put into the prefix's
// machine Root store and taken out again; and the file's SHA-256.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "fileinfo/FileSignature.h"
#include "fileinfo/fixtures/SigningFixtures.h"
#include "platform/Handles.h"
#include "support/TestSupport.h"

namespace vt::test {
namespace {

std::string Sha256ByCryptoApi(const std::string& bytes) {
    HCRYPTPROV prov = 0;
    if (!::CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return "no provider";
    HCRYPTHASH hash = 0;
    std::string hex;
    if (::CryptCreateHash(prov, CALG_SHA_256, 0, 0, &hash)) {
        ::CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
        BYTE digest[32];
        DWORD size = sizeof digest;
        if (::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
            static const char* digits = "0123456789ABCDEF";
            for (DWORD i = 0; i < size; ++i) {
                hex += digits[digest[i] >> 4];
                hex += digits[digest[i] & 15];
            }
        }
        ::CryptDestroyHash(hash);
    }
    ::CryptReleaseContext(prov, 0);
    return hex;
}

class Signatures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TrustedTestRoot::Present()) << "a test root was left in the Root store";
        CopyFixture("sig_signed.exe", signed_);
        CopyFixture("sig_plain.exe", plain_);
        std::string bytes = ReadBytes(signed_);
        ASSERT_GT(bytes.size(), 2001u);
        bytes[2000] = static_cast<char>(bytes[2000] ^ 0x5A);  // inside the code, signed over
        ASSERT_TRUE(WriteFile(tampered_, bytes));
    }
    void TearDown() override { EXPECT_FALSE(TrustedTestRoot::Present()); }

    TempDir dir;
    const std::string signed_ = dir / "firmato è.exe";
    const std::string plain_ = dir / "semplice.exe";
    const std::string tampered_ = dir / "manomesso.exe";
};

TEST_F(Signatures, EachKindOfFileGetsItsStatusAndTheSignersName) {
    const std::string signer(kTestSigner);
    const std::string hashOf[] = {Sha256ByCryptoApi(ReadBytes(signed_)), Sha256ByCryptoApi(ReadBytes(tampered_)),
                                  Sha256ByCryptoApi(ReadBytes(plain_))};
    std::vector<std::string> trusted;
    {
        TrustedTestRoot root;
        ASSERT_TRUE(TrustedTestRoot::Present());
        trusted = CheckInOwnProcess({signed_, tampered_, plain_});
    }
    ASSERT_FALSE(TrustedTestRoot::Present());
    EXPECT_EQ(trusted, (std::vector<std::string>{"verified\t" + signer + "\t" + hashOf[0], "invalid\t\t" + hashOf[1],
                                                 "unsigned\t\t" + hashOf[2]}));
    // The root gone: a process that reads the Root store now no longer trusts the signer.
    EXPECT_EQ(CheckInOwnProcess({signed_}), (std::vector<std::string>{"untrusted\t" + signer + "\t" + hashOf[0]}));

    // And in this process, which never saw the root.
    FileSignature check;
    struct Case {
        const char* what;
        std::string path;
        SignatureStatus status;
        std::string signer;
        std::string column;
    } cases[] = {
        {"signed, root unknown", signed_, SignatureStatus::Untrusted, signer, "Non attendibile: " + signer},
        {"one byte changed", tampered_, SignatureStatus::Invalid, "", "Firma non valida"},
        {"not signed", plain_, SignatureStatus::Unsigned, "", "Non firmato"},
    };
    for (const Case& c : cases) {
        SignatureResult r = check.Check(c.path);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << StatusWord(r.status);
        EXPECT_EQ(r.signer, c.signer) << c.what;
        EXPECT_FALSE(r.catalog) << c.what;
        EXPECT_EQ(SignatureColumnText(r), c.column) << c.what;
        EXPECT_EQ(r.sha256, Sha256ByCryptoApi(ReadBytes(c.path))) << c.what;
    }
}

TEST_F(Signatures, AFileThatCannotBeReadIsUnknownAtOnce) {
    Watchdog dog(20000, "checking files that cannot be read");
    FileSignature check;
    UniqueFileHandle held(::CreateFileW(Widen(signed_).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const std::string cases[] = {signed_, dir / "missing.exe", dir.path(), "", "C:\\no\\such\\folder\\x.exe"};
    for (const std::string& path : cases) {
        const ULONGLONG start = ::GetTickCount64();
        SignatureResult r = check.Check(path);
        EXPECT_LT(::GetTickCount64() - start, 5000u) << path;
        EXPECT_EQ(r.status, SignatureStatus::Unknown) << path << ": " << StatusWord(r.status);
        EXPECT_EQ(r.signer, "") << path;
        EXPECT_EQ(r.sha256, "") << path;
        EXPECT_EQ(SignatureColumnText(r), "") << path;
    }
    EXPECT_EQ(check.Sha256(signed_), "");
    held.reset();
    EXPECT_EQ(check.Check(signed_).status, SignatureStatus::Untrusted);
}

TEST(Sha256, KnownVectorsAndALargeFileMatchAnotherImplementation) {
    TempDir dir;
    FileSignature check;
    struct Case {
        const char* name;
        std::string bytes;
        const char* expected;
    } cases[] = {
        {"abc.txt", "abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"empty.bin", "", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFile(dir / c.name, c.bytes));
        EXPECT_EQ(check.Sha256(dir / c.name), c.expected) << c.name;
        SignatureResult r = check.Check(dir / c.name);
        EXPECT_EQ(r.sha256, c.expected) << c.name;
        EXPECT_EQ(r.status, SignatureStatus::Unsigned) << c.name << ": " << StatusWord(r.status);
    }

    // 64 MiB and a little more, so the last block is a short one; no two blocks alike.
    std::string big(size_t{64} * 1024 * 1024 + 12345, '\0');
    uint32_t x = 2463534242u;
    for (char& ch : big) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        ch = static_cast<char>(x);
    }
    const std::string path = dir / "big.bin";
    ASSERT_TRUE(WriteFile(path, big));
    const std::string expected = Sha256ByCryptoApi(big);
    big.clear();
    big.shrink_to_fit();
    ASSERT_EQ(expected.size(), 64u);
    EXPECT_EQ(check.Sha256(path), expected);
    EXPECT_EQ(check.Check(path).sha256, expected);
    EXPECT_TRUE(::DeleteFileW(Widen(path).c_str()));
}

}  // namespace
}  // namespace vt::test
