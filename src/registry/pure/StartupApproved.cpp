#include "registry/pure/StartupApproved.h"

#include "registry/pure/RegistryData.h"

namespace vt::reg {

bool ApprovedDataDisabled(uint32_t type, std::string_view data) noexcept {
    if (type != static_cast<uint32_t>(kBinary) || data.size() < 4) return false;
    return (static_cast<unsigned char>(data[0]) & 1u) != 0;
}

}  // namespace vt::reg
