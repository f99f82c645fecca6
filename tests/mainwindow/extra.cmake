# The exit test starts the program itself.
if(WIN32 AND TARGET mainwindow_tests AND TARGET vantorile)
  add_dependencies(mainwindow_tests vantorile)
endif()
