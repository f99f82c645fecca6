// Special folders by number, as the folder scanner, the details window and the startup
// panel name them.
#pragma once

#include <cstdint>
#include <string>

namespace vt {

// Special folder number (7, 24 startup folders; 36 Windows; 37 system; 38 program files;
// 255 temporary folder; any shell folder id) to its path, "" when the system cannot name
// it.
std::string SpecialFolder(int32_t id);

}  // namespace vt
