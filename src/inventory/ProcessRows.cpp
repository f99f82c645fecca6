#include "inventory/ProcessRows.h"

#include <utility>

#include "platform/FileRemoval.h"

namespace vt {

namespace {

class Collector : public IScanProcessesEvents {
public:
    explicit Collector(std::vector<ProcessRow>& rows) : rows_(rows) {}
    void CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool&) override {
        ProcessRow row = MakeProcessRow(File, Path, Id);
        row.impostor = IsImpostorFile(row.path);
        rows_.push_back(std::move(row));
    }
    void DoneScanning(int16_t) override {}

private:
    std::vector<ProcessRow>& rows_;
};

}  // namespace

std::vector<ProcessRow> CollectProcessRows(bool systemProcesses, IProcessTable* table) {
    std::vector<ProcessRow> rows;
    Collector collector(rows);
    cScanProcesses scan(&collector);
    scan.SetProcessTable(table);
    scan.SystemProcesses(systemProcesses);
    scan.BeginScanning();
    return rows;
}

}  // namespace vt
