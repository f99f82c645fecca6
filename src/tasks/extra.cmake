# The task service's class and interface identifiers.
target_link_libraries(vt_tasks PUBLIC taskschd)
