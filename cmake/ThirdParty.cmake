# The two header-only libraries of the console program: nlohmann/json (its output) and
# CLI11 (its arguments). Only their own folders go on the include path: a cross build that
# saw the whole host /usr/include would pick up Linux headers in place of mingw's.
#
# On Debian they come from nlohmann-json3-dev and libcli11-dev (scripts/setup). Elsewhere
# pass the folders that hold nlohmann/json.hpp and CLI/CLI.hpp:
#   -DVT_JSON_INCLUDE_DIR=... -DVT_CLI11_INCLUDE_DIR=...
find_path(VT_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
find_path(VT_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT VT_JSON_INCLUDE_DIR OR NOT VT_CLI11_INCLUDE_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp or CLI/CLI.hpp not found: install nlohmann-json3-dev and libcli11-dev "
                      "(scripts/setup), or set VT_JSON_INCLUDE_DIR and VT_CLI11_INCLUDE_DIR")
endif()

add_library(vt_thirdparty INTERFACE)
if(CMAKE_HOST_UNIX)
  # A folder of links to just the two libraries, whatever else lives beside them.
  set(_vt_tp ${CMAKE_BINARY_DIR}/thirdparty/include)
  file(MAKE_DIRECTORY ${_vt_tp})
  if(NOT EXISTS ${_vt_tp}/nlohmann)
    file(CREATE_LINK ${VT_JSON_INCLUDE_DIR}/nlohmann ${_vt_tp}/nlohmann SYMBOLIC)
  endif()
  if(NOT EXISTS ${_vt_tp}/CLI)
    file(CREATE_LINK ${VT_CLI11_INCLUDE_DIR}/CLI ${_vt_tp}/CLI SYMBOLIC)
  endif()
  target_include_directories(vt_thirdparty SYSTEM INTERFACE ${_vt_tp})
else()
  target_include_directories(vt_thirdparty SYSTEM INTERFACE ${VT_JSON_INCLUDE_DIR} ${VT_CLI11_INCLUDE_DIR})
endif()
