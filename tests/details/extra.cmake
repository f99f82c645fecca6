# The details window's tests open the fixture programs built for the file-information
# tests, from tests/bin/fileinfo_fixtures.
if(WIN32 AND TARGET details_tests)
  foreach(_fixture vi_full vi_console)
    if(TARGET fixture_${_fixture})
      add_dependencies(details_tests fixture_${_fixture})
    endif()
  endforeach()
endif()
