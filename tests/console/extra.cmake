# The tests read the JSON with the library that wrote it; the Windows tests start the
# real vantorilec.exe, built beside vantorile.exe.
if(TARGET console_tests)
  target_link_libraries(console_tests PRIVATE vt_thirdparty)
  if(WIN32)
    target_link_libraries(console_tests PRIVATE vt_mainwindow)
    # The signing fixtures of the file information tests.
    add_dependencies(console_tests vantorilec fixture_signing fixture_sig_plain)
  endif()
endif()
