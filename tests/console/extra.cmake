# The tests read the JSON with the library that wrote it; the Windows tests start the
# real vantorilec.exe, built beside vantorile.exe.
if(TARGET console_tests)
  target_link_libraries(console_tests PRIVATE vt_thirdparty)
  if(WIN32)
    target_link_libraries(console_tests PRIVATE vt_mainwindow)
    add_dependencies(console_tests vantorilec)
  endif()
endif()
