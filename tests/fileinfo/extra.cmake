# Small programs and libraries with known version resources, built with the resource
# compiler into tests/bin/fileinfo_fixtures, where the tests look for them.
if(WIN32 AND TARGET fileinfo_tests)
  set(_vt_fi_dir ${CMAKE_CURRENT_SOURCE_DIR}/tests/fileinfo/fixtures)
  set(_vt_fi_out ${CMAKE_BINARY_DIR}/tests/bin/fileinfo_fixtures)
  # name, kind (gui, console, dll), resource script or "" for none
  set(_vt_fi_list
    "vi_full\;gui\;full.rc"
    "vi_console\;console\;"
    "vi_zero\;dll\;zero.rc"
    "vi_utf8\;dll\;utf8.rc")
  foreach(_entry IN LISTS _vt_fi_list)
    list(GET _entry 0 _name)
    list(GET _entry 1 _kind)
    list(GET _entry 2 _rc)
    set(_srcs)
    if(_rc)
      list(APPEND _srcs ${_vt_fi_dir}/${_rc})
    endif()
    if(_kind STREQUAL "dll")
      add_library(fixture_${_name} SHARED ${_vt_fi_dir}/dll_main.c ${_srcs})
      set_target_properties(fixture_${_name} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${_vt_fi_out})
    else()
      if(_kind STREQUAL "gui")
        add_executable(fixture_${_name} WIN32 ${_vt_fi_dir}/gui_main.c ${_srcs})
      else()
        add_executable(fixture_${_name} ${_vt_fi_dir}/console_main.c ${_srcs})
      endif()
      set_target_properties(fixture_${_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${_vt_fi_out})
    endif()
    set_target_properties(fixture_${_name} PROPERTIES OUTPUT_NAME ${_name})
    target_compile_options(fixture_${_name} PRIVATE $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Werror>)
    add_dependencies(fileinfo_tests fixture_${_name})
  endforeach()
endif()
