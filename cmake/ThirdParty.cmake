# The header-only libraries: nlohmann/json (the console program's output), CLI11 (its
# arguments) and rapidxml (the scheduled tasks' definitions). Only their own folders go on
# the include path: a cross build that saw the whole host /usr/include would pick up Linux
# headers in place of mingw's.
#
# On Debian they come from nlohmann-json3-dev, libcli11-dev and librapidxml-dev
# (scripts/setup). Elsewhere pass the folders that hold nlohmann/json.hpp, CLI/CLI.hpp and
# rapidxml/rapidxml.hpp:
#   -DVT_JSON_INCLUDE_DIR=... -DVT_CLI11_INCLUDE_DIR=... -DVT_RAPIDXML_INCLUDE_DIR=...
find_path(VT_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
find_path(VT_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
find_path(VT_RAPIDXML_INCLUDE_DIR rapidxml/rapidxml.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT VT_JSON_INCLUDE_DIR OR NOT VT_CLI11_INCLUDE_DIR OR NOT VT_RAPIDXML_INCLUDE_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp, CLI/CLI.hpp or rapidxml/rapidxml.hpp not found: install "
                      "nlohmann-json3-dev, libcli11-dev and librapidxml-dev (scripts/setup), or set "
                      "VT_JSON_INCLUDE_DIR, VT_CLI11_INCLUDE_DIR and VT_RAPIDXML_INCLUDE_DIR")
endif()

add_library(vt_thirdparty INTERFACE)
if(CMAKE_HOST_UNIX)
  # A folder of links to just these libraries, whatever else lives beside them.
  set(_vt_tp ${CMAKE_BINARY_DIR}/thirdparty/include)
  file(MAKE_DIRECTORY ${_vt_tp})
  if(NOT EXISTS ${_vt_tp}/nlohmann)
    file(CREATE_LINK ${VT_JSON_INCLUDE_DIR}/nlohmann ${_vt_tp}/nlohmann SYMBOLIC)
  endif()
  if(NOT EXISTS ${_vt_tp}/CLI)
    file(CREATE_LINK ${VT_CLI11_INCLUDE_DIR}/CLI ${_vt_tp}/CLI SYMBOLIC)
  endif()
  if(NOT EXISTS ${_vt_tp}/rapidxml)
    file(CREATE_LINK ${VT_RAPIDXML_INCLUDE_DIR}/rapidxml ${_vt_tp}/rapidxml SYMBOLIC)
  endif()
  target_include_directories(vt_thirdparty SYSTEM INTERFACE ${_vt_tp})
else()
  target_include_directories(vt_thirdparty SYSTEM INTERFACE ${VT_JSON_INCLUDE_DIR} ${VT_CLI11_INCLUDE_DIR}
    ${VT_RAPIDXML_INCLUDE_DIR})
endif()
