# The tests plant startup entries, which the window tests count while they run: they take
# turns with them.
if(WIN32 AND TARGET inventory_tests)
  set_tests_properties(inventory_tests PROPERTIES RESOURCE_LOCK desktop)
endif()
