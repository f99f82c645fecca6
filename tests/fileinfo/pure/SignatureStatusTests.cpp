// The signature decisions as one table: from the system's two answers (the trust verdict
// and the signer chain's error bits) to the status, and from the status to the console's
// word, the publisher column's text and the details window's text.
#include <gtest/gtest.h>

#include "fileinfo/pure/SignatureStatus.h"

namespace {

using vt::SignatureStatus;
namespace trust = vt::trust;

constexpr int32_t kOk = 0;
constexpr int32_t kAccessDenied = static_cast<int32_t>(0x80070005);   // HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)
constexpr int32_t kSharing = static_cast<int32_t>(0x80070020);        // HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)
constexpr int32_t kAsn1Bad = static_cast<int32_t>(0x8009310B);        // CRYPT_E_ASN1_BADTAG: a mangled signature
constexpr int32_t kCertSignature = static_cast<int32_t>(0x80096004);  // TRUST_E_CERT_SIGNATURE

TEST(SignatureStatus, FromTheVerdictAndTheChainToEveryText) {
    struct Case {
        const char* what;
        int32_t verdict;
        uint32_t chain;
        bool catalog;
        SignatureStatus status;
        const char* word;
        const char* column;
        const char* details;
    } cases[] = {
        {"valid, trusted root", kOk, 0, false, SignatureStatus::Verified, "verified", "Ditta Prova", "Ditta Prova"},
        {"valid, by a catalog", kOk, 0, true, SignatureStatus::Verified, "verified", "Ditta Prova",
         "Ditta Prova (catalog)"},
        // Measured under Wine: the verdict says yes to a signer whose root is unknown.
        {"valid, partial chain", kOk, trust::kChainPartial, false, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova"},
        {"valid, untrusted root", kOk, trust::kChainUntrustedRoot, true, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova (catalog)"},
        {"valid, cyclic chain", kOk, trust::kChainCyclic, false, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova"},
        {"the verdict: untrusted root", trust::kUntrustedRoot, 0, false, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova"},
        {"the verdict: test root", trust::kUntrustedTestRoot, 0, false, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova"},
        {"the verdict: no chain", trust::kChaining, 0, false, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova"},
        {"the verdict: untrusted CA", trust::kUntrustedCa, 0, false, SignatureStatus::Untrusted, "untrusted",
         "Non attendibile: Ditta Prova", "Non attendibile: Ditta Prova"},
        // Today's chain may call a timestamped certificate expired, or judge usage on
        // its own: the verdict, which knows the timestamp, has said yes.
        {"valid, expired today", kOk, trust::kChainNotTimeValid, false, SignatureStatus::Verified, "verified",
         "Ditta Prova", "Ditta Prova"},
        {"valid, usage left to the verdict", kOk, trust::kChainWrongUsage, false, SignatureStatus::Verified, "verified",
         "Ditta Prova", "Ditta Prova"},
        {"valid, revoked in the chain", kOk, trust::kChainRevoked | trust::kChainPartial, false,
         SignatureStatus::Invalid, "invalid", "Firma non valida", "Firma non valida"},
        {"valid, forged certificate", kOk, trust::kChainBadSignature, false, SignatureStatus::Invalid, "invalid",
         "Firma non valida", "Firma non valida"},
        {"valid, distrusted", kOk, trust::kChainExplicitDistrust, false, SignatureStatus::Invalid, "invalid",
         "Firma non valida", "Firma non valida"},
        {"a byte changed", trust::kBadDigest, 0, false, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida"},
        {"a byte changed, catalog", trust::kBadDigest, 0, true, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida (catalog)"},
        {"expired, no timestamp", trust::kExpired, 0, false, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida"},
        {"revoked", trust::kRevoked, 0, false, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida"},
        {"wrong usage", trust::kWrongUsage, 0, false, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida"},
        {"bad certificate signature", kCertSignature, 0, false, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida"},
        {"a mangled signature", kAsn1Bad, 0, false, SignatureStatus::Invalid, "invalid", "Firma non valida",
         "Firma non valida"},
        {"no signature", trust::kNoSignature, 0, false, SignatureStatus::Unsigned, "unsigned", "Non firmato",
         "Non firmato"},
        {"not a signable kind of file", trust::kSubjectFormUnknown, 0, false, SignatureStatus::Unsigned, "unsigned",
         "Non firmato", "Non firmato"},
        {"no provider for the kind", trust::kProviderUnknown, 0, false, SignatureStatus::Unsigned, "unsigned",
         "Non firmato", "Non firmato"},
        {"not signable, as Wine says it", trust::kInvalidParameter, 0, false, SignatureStatus::Unsigned, "unsigned",
         "Non firmato", "Non firmato"},
        {"a bare Win32 read error", 30 /* ERROR_READ_FAULT */, 0, false, SignatureStatus::Unknown, "unknown", "", ""},
        {"the file cannot be read", trust::kFileError, 0, false, SignatureStatus::Unknown, "unknown", "", ""},
        {"access denied", kAccessDenied, 0, false, SignatureStatus::Unknown, "unknown", "", ""},
        {"held open without sharing", kSharing, trust::kChainPartial, true, SignatureStatus::Unknown, "unknown", "",
         ""},
    };
    for (const Case& c : cases) {
        const SignatureStatus status = vt::StatusFromTrust(c.verdict, c.chain);
        EXPECT_EQ(status, c.status) << c.what;
        vt::SignatureResult result;
        result.status = status;
        result.signer = "Ditta Prova";
        result.catalog = c.catalog;
        EXPECT_STREQ(vt::StatusWord(status), c.word) << c.what;
        EXPECT_EQ(vt::SignatureColumnText(result), c.column) << c.what;
        EXPECT_EQ(vt::SignatureDetailsText(result), c.details) << c.what;
    }
}

// Only a file with no signature of its own is looked up in the catalogs, and a catalog
// that names the file without a valid signature of its own is a broken signature.
TEST(SignatureStatus, TheCatalogPath) {
    struct Case {
        int32_t verdict;
        bool askCatalogs;
        SignatureStatus fromCatalog;
    } cases[] = {
        {trust::kNoSignature, true, SignatureStatus::Invalid},
        {trust::kSubjectFormUnknown, true, SignatureStatus::Invalid},
        {trust::kProviderUnknown, true, SignatureStatus::Invalid},
        {trust::kInvalidParameter, true, SignatureStatus::Invalid},
        {kOk, false, SignatureStatus::Verified},
        {trust::kBadDigest, false, SignatureStatus::Invalid},
        {trust::kUntrustedRoot, false, SignatureStatus::Untrusted},
        {trust::kFileError, false, SignatureStatus::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vt::HasNoEmbeddedSignature(c.verdict), c.askCatalogs) << std::hex << c.verdict;
        EXPECT_EQ(vt::CatalogStatusFromTrust(c.verdict, 0), c.fromCatalog) << std::hex << c.verdict;
    }
    EXPECT_EQ(vt::CatalogStatusFromTrust(kOk, trust::kChainPartial), SignatureStatus::Untrusted);
}

TEST(SignatureStatus, HexIsUpperCaseTwoDigitsAByte) {
    const unsigned char bytes[] = {0x00, 0x0F, 0xA5, 0xFF, 0x10};
    EXPECT_EQ(vt::HexUpper(bytes, sizeof bytes), "000FA5FF10");
    EXPECT_EQ(vt::HexUpper(bytes, 0), "");
}

}  // namespace
