// The bottom-up walk that empties a key tree one leaf layer at a time, kept apart from
// the registry so that its ending can be tested with any tree shape.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vt::reg {

struct TreeWalkOps {
    std::function<void()> yield;  // lets the user interface breathe between steps
    // Deletes the direct subkeys of a path that have none of their own; how many went.
    std::function<int(const std::string& path)> deleteLeafSubKeys;
    // The subkeys of a path; false (names untouched) when it has none.
    std::function<bool(const std::string& path, std::vector<std::string>& names)> enumerateKeys;
};

// Descends into the first subkey while there is one and climbs back once a key is
// empty, until keyPath itself has no subkeys: then true. False when the walk comes back
// to a key it has seen with nothing deleted since: a key below refuses deletion and the
// walk would otherwise go round for ever. Errors of the operations pass through.
bool ClearSubTree(const std::string& keyPath, const TreeWalkOps& ops);

}  // namespace vt::reg
