# The program's version, for --version and the JSON document.
target_compile_definitions(vt_console PRIVATE VT_VERSION="${PROJECT_VERSION}")
