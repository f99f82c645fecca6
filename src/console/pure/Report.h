// The console program's three output forms of a list: aligned text for a person, RFC 4180
// CSV with a header row, and one JSON document; all UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileinfo/pure/SignatureStatus.h"
#include "inventory/pure/AutostartRows.h"
#include "inventory/pure/Rows.h"

namespace vt {

enum class ReportFormat { Text, Csv, Json };

struct ReportHeader {
    std::string version;   // the program's version
    std::string computer;  // the computer's name
    std::string time;      // when the list was taken, ISO 8601 UTC
};

// The UTF-8 byte-order mark that a CSV file starts with.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The report of a list ("processes" or "startup"). Text and CSV lines end in CR LF.
// signatures holds the check of each row's file, in the rows' order; every row after its
// end reads as not checked ("unknown", no signer, no hash).
std::string ProcessReport(ReportFormat format, const ReportHeader& header, const std::vector<ProcessRow>& rows,
                          const std::vector<SignatureResult>& signatures = {});
std::string StartupReport(ReportFormat format, const ReportHeader& header, const std::vector<StartupRow>& rows,
                          const std::vector<SignatureResult>& signatures = {});
// The other autostart places ("autostart").
std::string AutostartReport(ReportFormat format, const ReportHeader& header, const std::vector<AutostartRow>& rows);

// "2026-12-10T11:02:45Z"
std::string IsoUtcTime(int year, int month, int day, int hour, int minute, int second);

// One CSV field as RFC 4180 writes it: quoted when it holds a comma, a quote, CR or LF.
std::string CsvField(std::string_view text);

}  // namespace vt
