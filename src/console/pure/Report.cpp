#include "console/pure/Report.h"

#include <algorithm>
#include <cstdio>
#include <variant>

#include <nlohmann/json.hpp>

namespace vt {

namespace {

using Cell = std::variant<std::string, int64_t, bool>;

struct Table {
    const char* kind;
    std::vector<const char*> fields;
    std::vector<std::vector<Cell>> rows;
};

// Who made each row's file, after the row's own fields.
void AddSignatureFields(Table& t, const std::vector<SignatureResult>& signatures) {
    t.fields.insert(t.fields.end(), {"signature", "signer", "sha256"});
    const SignatureResult unchecked;
    for (size_t i = 0; i < t.rows.size(); ++i) {
        const SignatureResult& s = i < signatures.size() ? signatures[i] : unchecked;
        t.rows[i].insert(t.rows[i].end(), {std::string(StatusWord(s.status)), s.signer, s.sha256});
    }
}

Table ProcessTable(const std::vector<ProcessRow>& rows) {
    Table t{"processes", {"name", "folder", "path", "pid", "system", "grade", "verdict", "impostor"}, {}};
    for (const ProcessRow& r : rows)
        t.rows.push_back({r.name, r.folder, r.path, int64_t{r.pid}, r.system, int64_t{r.grade},
                          std::string(VerdictWord(r.grade)), r.impostor});
    return t;
}

Table StartupTable(const std::vector<StartupRow>& rows) {
    Table t{"startup", {"name", "command", "code", "location", "view", "disabled", "grade", "verdict", "impostor"}, {}};
    for (const StartupRow& r : rows)
        t.rows.push_back({r.name, r.command, r.code, r.location, r.view, r.disabled, int64_t{r.grade},
                          std::string(VerdictWord(r.grade)), r.impostor});
    return t;
}

Table AutostartTable(const std::vector<AutostartRow>& rows) {
    Table t{"autostart",
            {"name", "command", "category", "location", "view", "file", "disabled", "grade", "verdict", "impostor"},
            {}};
    for (const AutostartRow& r : rows)
        t.rows.push_back({r.name, r.command, r.category, r.location, r.view, r.file, r.disabled, int64_t{r.grade},
                          std::string(VerdictWord(r.grade)), r.impostor});
    return t;
}

std::string CellText(const Cell& c) {
    if (const auto* s = std::get_if<std::string>(&c)) return *s;
    if (const auto* n = std::get_if<int64_t>(&c)) return std::to_string(*n);
    return std::get<bool>(c) ? "true" : "false";
}

std::string Csv(const Table& t) {
    std::string out;
    auto line = [&out](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i) out += ',';
            out += CsvField(cells[i]);
        }
        out += "\r\n";
    };
    line(std::vector<std::string>(t.fields.begin(), t.fields.end()));
    for (const auto& row : t.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.size());
        for (const Cell& c : row) cells.push_back(CellText(c));
        line(cells);
    }
    return out;
}

std::string Json(const Table& t, const ReportHeader& h) {
    nlohmann::ordered_json doc;
    doc["tool"] = "vantorile";
    doc["version"] = h.version;
    doc["computer"] = h.computer;
    doc["time"] = h.time;
    doc["kind"] = t.kind;
    doc["items"] = nlohmann::ordered_json::array();
    for (const auto& row : t.rows) {
        nlohmann::ordered_json item = nlohmann::ordered_json::object();
        for (size_t i = 0; i < row.size(); ++i) std::visit([&](const auto& v) { item[t.fields[i]] = v; }, row[i]);
        doc["items"].push_back(std::move(item));
    }
    // Names come from the registry and the disk; a byte sequence that is not UTF-8 must
    // not cost the whole report.
    return doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// Columns are as wide as their widest cell in characters, not bytes, so accented names
// line up.
size_t DisplayWidth(std::string_view s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// A line break or tab inside a name would tear the row apart on screen.
std::string OneLine(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

std::string Text(const Table& t) {
    std::vector<std::vector<std::string>> lines;
    lines.emplace_back(t.fields.begin(), t.fields.end());
    for (const auto& row : t.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.size());
        for (const Cell& c : row) cells.push_back(OneLine(CellText(c)));
        lines.push_back(std::move(cells));
    }
    std::vector<size_t> width(t.fields.size(), 0);
    for (const auto& cells : lines)
        for (size_t i = 0; i < cells.size(); ++i) width[i] = std::max(width[i], DisplayWidth(cells[i]));
    std::string out;
    for (const auto& cells : lines) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i) line += "  ";
            line += cells[i];
            if (i + 1 < cells.size()) line.append(width[i] - DisplayWidth(cells[i]), ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\r\n";
    }
    return out;
}

std::string Render(ReportFormat format, const ReportHeader& header, const Table& t) {
    switch (format) {
    case ReportFormat::Csv: return Csv(t);
    case ReportFormat::Json: return Json(t, header);
    case ReportFormat::Text: break;
    }
    return Text(t);
}

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string ProcessReport(ReportFormat format, const ReportHeader& header, const std::vector<ProcessRow>& rows,
                          const std::vector<SignatureResult>& signatures) {
    Table t = ProcessTable(rows);
    AddSignatureFields(t, signatures);
    return Render(format, header, t);
}

std::string StartupReport(ReportFormat format, const ReportHeader& header, const std::vector<StartupRow>& rows,
                          const std::vector<SignatureResult>& signatures) {
    Table t = StartupTable(rows);
    AddSignatureFields(t, signatures);
    return Render(format, header, t);
}

std::string AutostartReport(ReportFormat format, const ReportHeader& header, const std::vector<AutostartRow>& rows) {
    return Render(format, header, AutostartTable(rows));
}

std::string IsoUtcTime(int year, int month, int day, int hour, int minute, int second) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute, second);
    return buf;
}

}  // namespace vt
