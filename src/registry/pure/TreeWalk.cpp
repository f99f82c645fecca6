#include "registry/pure/TreeWalk.h"

#include <set>

#include "registry/pure/RegistryData.h"

namespace vt::reg {

bool ClearSubTree(const std::string& keyPath, const TreeWalkOps& ops) {
    std::string current = keyPath;
    bool hasSubKeys = false;
    std::vector<std::string> subKeys;
    std::set<std::string> visitedSinceDeletion;
    for (;;) {
        if (hasSubKeys && !subKeys.empty()) current += "\\" + subKeys[0];
        else if (current != keyPath) current = GetParentKey(current);
        if (ops.yield) ops.yield();
        int deleted = ops.deleteLeafSubKeys(current);
        std::vector<std::string> names;
        hasSubKeys = ops.enumerateKeys(current, names);
        if (hasSubKeys) subKeys = std::move(names);
        if (current == keyPath && !hasSubKeys) return true;
        if (deleted) visitedSinceDeletion.clear();
        if (!visitedSinceDeletion.insert(current).second) return false;
    }
}

}  // namespace vt::reg
