# Every compiler-specific setting lives here, so the rest of the build reads the same on
# MinGW, MSVC and the native Linux tree.
add_library(vt_options INTERFACE)
target_compile_features(vt_options INTERFACE cxx_std_20)

if(MSVC)
  target_compile_options(vt_options INTERFACE /W4 /WX /utf-8 /permissive- /EHsc)
  target_compile_definitions(vt_options INTERFACE _CRT_SECURE_NO_WARNINGS NOMINMAX WIN32_LEAN_AND_MEAN)
else()
  target_compile_options(vt_options INTERFACE -Wall -Wextra -Werror -Wno-missing-field-initializers)
endif()

if(WIN32)
  # The narrow calls carry UTF-8 (the manifest sets the active code page), so the ANSI
  # entry points stay the default ones.
  target_compile_definitions(vt_options INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  if(MINGW)
    # One self-contained exe: no libgcc, libstdc++ or winpthread DLLs beside it.
    target_link_options(vt_options INTERFACE -static -static-libgcc -static-libstdc++)
  endif()
endif()

# Native Linux tree: the pure core runs under the sanitizers.
if(NOT WIN32 AND VT_SANITIZE)
  target_compile_options(vt_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(vt_options INTERFACE -fsanitize=address,undefined)
endif()

# Fuzz tree: the core is instrumented for libFuzzer's coverage; the targets link the engine.
if(NOT WIN32 AND VT_FUZZ)
  target_compile_options(vt_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=all -g)
  target_link_options(vt_options INTERFACE -fsanitize=address,undefined)
endif()

# Links a program for the Windows GUI subsystem, so no console opens beside its window.
# The test programs stay console programs: their output reaches ctest.
function(vt_windows_gui_subsystem target)
  if(MINGW)
    target_link_options(${target} PRIVATE -mwindows)
  elseif(MSVC)
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
endfunction()
