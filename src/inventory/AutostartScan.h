// The other autostart places as rows: services and drivers through the service control
// manager, then the registry places in the order of AutostartPlaces(), each in both
// registry views where it has two, one row per program of a list value. The panel shows
// these rows and the console program writes them; grades are left to the caller
// (lookupName says what to ask the service).
//
// The scan runs on the caller's thread and yields to the message loop between items
// (vt::DoEvents), so a window stays live and CancelScanning reaches it. A BeginScanning
// made while one runs (from a handler, inside a yield) returns at once: there is never a
// nested scan. Every name of a key is read before its rows go out, so handlers may change
// the registry freely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/pure/AutostartPlaces.h"
#include "inventory/pure/AutostartRows.h"

namespace vt {

class IAutostartScanEvents {
public:
    virtual ~IAutostartScanEvents() = default;
    // An entry to list, in scan order.
    virtual void RowFound(const AutostartRow& row) = 0;
    // A line of the places has been read (or cut short by a cancel): `amount` is the
    // number of rows it listed.
    virtual void Counted(int64_t amount) = 0;
};

class AutostartScan {
public:
    explicit AutostartScan(IAutostartScanEvents* events);
    AutostartScan(const AutostartScan&) = delete;
    AutostartScan& operator=(const AutostartScan&) = delete;
    ~AutostartScan() = default;

    // Every place; returns when the scan has ended or been stopped. Each place is guarded
    // on its own: one that fails (a handler that throws) leaves the others to run.
    void BeginScanning();
    // Stops the place being read after the item at hand and skips those not yet begun.
    void CancelScanning() { cancel_ = true; }
    bool Scanning() const { return scanning_; }

private:
    class Walk;
    IAutostartScanEvents* events_;
    bool scanning_ = false;
    bool cancel_ = false;
};

// The whole scan collected, for the console program.
std::vector<AutostartRow> CollectAutostartRows();

// The program file an entry runs, from its command as stored (a list value's program
// alone), the way the scan finds it: variables expanded, bare names looked for where the
// system looks. `value` is the place's value that holds it (null for a value the place
// does not name, which holds one command).
std::string AutostartEntryFile(const PlaceValue* value, const std::string& command, const std::string& windowsFolder);

// A service's or a driver's file: the program of its image path, or for a service of the
// shared host the library of its ServiceDll (in its key's Parameters, or the key itself).
std::string ServiceFile(const std::string& serviceName, const std::string& imagePath, bool driver,
                        const std::string& windowsFolder);

}  // namespace vt
