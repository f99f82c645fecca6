# The exit test starts the program itself.
if(WIN32 AND TARGET mainwindow_tests AND TARGET vantorile)
  add_dependencies(mainwindow_tests vantorile)
endif()
# The hostile-input tests copy and damage the file-information fixtures.
if(WIN32 AND TARGET mainwindow_tests AND TARGET fixture_vi_utf8)
  add_dependencies(mainwindow_tests fixture_vi_utf8)
endif()
