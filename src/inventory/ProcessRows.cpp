#include "inventory/ProcessRows.h"

namespace vt {

namespace {

class Collector : public IScanProcessesEvents {
public:
    explicit Collector(std::vector<ProcessRow>& rows) : rows_(rows) {}
    void CurrentProcess(const std::string& File, const std::string& Path, int32_t Id, bool&) override {
        rows_.push_back(MakeProcessRow(File, Path, Id));
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
