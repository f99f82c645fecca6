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

# Signing fixtures, made at build time: a test root certificate and a code-signing leaf
# issued by it (openssl), and a small program signed with the leaf (osslsigncode). The
# tests put the root into the prefix's machine Root store for as long as they need it.
if(WIN32 AND TARGET fileinfo_tests)
  find_program(VT_OPENSSL openssl)
  find_program(VT_OSSLSIGNCODE osslsigncode)
  if(NOT VT_OPENSSL OR NOT VT_OSSLSIGNCODE)
    message(FATAL_ERROR "openssl and osslsigncode make the signing fixtures: run scripts/setup")
  endif()
  add_executable(fixture_sig_plain ${_vt_fi_dir}/console_main.c)
  set_target_properties(fixture_sig_plain PROPERTIES OUTPUT_NAME sig_plain RUNTIME_OUTPUT_DIRECTORY ${_vt_fi_out})
  target_compile_options(fixture_sig_plain PRIVATE -Wall -Wextra -Werror)

  set(_vt_sig ${CMAKE_BINARY_DIR}/tests/signing)
  set(_vt_sig_ext ${_vt_sig}/leaf.ext)
  file(MAKE_DIRECTORY ${_vt_sig})
  file(WRITE ${_vt_sig_ext} "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
  add_custom_command(
    OUTPUT ${_vt_fi_out}/sig_root.cer ${_vt_sig}/root.pem ${_vt_sig}/leaf.pem ${_vt_sig}/leaf.key
    COMMAND ${VT_OPENSSL} req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -utf8
            -subj "/CN=Vantorile Radice di Prova" -keyout ${_vt_sig}/root.key -out ${_vt_sig}/root.pem
            -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
    COMMAND ${VT_OPENSSL} req -newkey rsa:2048 -nodes -sha256 -utf8 -subj "/CN=Società Prova Vantorile/O=Prova"
            -keyout ${_vt_sig}/leaf.key -out ${_vt_sig}/leaf.csr
    COMMAND ${VT_OPENSSL} x509 -req -sha256 -days 3650 -in ${_vt_sig}/leaf.csr -CA ${_vt_sig}/root.pem
            -CAkey ${_vt_sig}/root.key -set_serial 4242 -extfile ${_vt_sig_ext} -out ${_vt_sig}/leaf.pem
    COMMAND ${VT_OPENSSL} x509 -in ${_vt_sig}/root.pem -outform DER -out ${_vt_fi_out}/sig_root.cer
    COMMENT "Making the test signing certificates"
    VERBATIM)
  add_custom_command(
    OUTPUT ${_vt_fi_out}/sig_signed.exe
    COMMAND ${VT_OSSLSIGNCODE} sign -certs ${_vt_sig}/leaf.pem -key ${_vt_sig}/leaf.key -h sha256
            -n "Vantorile fixture" -in $<TARGET_FILE:fixture_sig_plain> -out ${_vt_fi_out}/sig_signed.exe
    DEPENDS fixture_sig_plain ${_vt_sig}/leaf.pem ${_vt_sig}/leaf.key
    COMMENT "Signing the test program"
    VERBATIM)
  add_custom_target(fixture_signing DEPENDS ${_vt_fi_out}/sig_root.cer ${_vt_fi_out}/sig_signed.exe)

  # The check in a process of its own, for the tests that change the trusted roots.
  add_executable(vt_sigcheck ${CMAKE_CURRENT_SOURCE_DIR}/tests/fileinfo/helpers/SigCheck.cpp)
  target_link_libraries(vt_sigcheck PRIVATE vt_fileinfo vt_options)
  set_target_properties(vt_sigcheck PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  add_dependencies(fileinfo_tests fixture_sig_plain fixture_signing vt_sigcheck)
endif()
