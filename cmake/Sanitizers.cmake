# Sanitizer and fuzzing builds, for the whole project:
#   -DTAVRO_SANITIZE=address   AddressSanitizer with UndefinedBehaviorSanitizer
#   -DTAVRO_SANITIZE=thread    ThreadSanitizer
#   -DTAVRO_FUZZ=ON            (clang only) libFuzzer targets in tests/fuzz, with ASan and UBSan
# The presets "asan" and "tsan" in CMakePresets.json configure, build and test the first two
# with the suppression files of tests/hardening/sanitizers, for example the engine tests:
#   cmake --preset asan
#   cmake --build --preset asan --target tavro_player_engine_tests tavro_player_playback_tests
#   xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" ctest --preset asan -R "EngineOpenTest|PlaybackTest"
# The fuzz targets are run with scripts/fuzz.
set(TAVRO_SANITIZE "" CACHE STRING "Sanitizer for the whole build: address (with undefined), thread, or empty")
set_property(CACHE TAVRO_SANITIZE PROPERTY STRINGS "" address thread)
option(TAVRO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(TAVRO_SANITIZE STREQUAL "ON")  # the engine's earlier on/off switch meant address
  set_property(CACHE TAVRO_SANITIZE PROPERTY VALUE address)
endif()

set(tavro_sanitizer_flags)
if(TAVRO_SANITIZE STREQUAL "address")
  set(tavro_sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined)
elseif(TAVRO_SANITIZE STREQUAL "thread")
  set(tavro_sanitizer_flags -fsanitize=thread)
elseif(TAVRO_SANITIZE AND NOT TAVRO_SANITIZE STREQUAL "OFF")
  message(FATAL_ERROR "TAVRO_SANITIZE must be address, thread or empty, not '${TAVRO_SANITIZE}'")
endif()

if(TAVRO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TAVRO_FUZZ needs clang: configure with CC=clang CXX=clang++ (scripts/fuzz does)")
  endif()
  if(TAVRO_SANITIZE STREQUAL "thread")
    message(FATAL_ERROR "TAVRO_FUZZ builds with ASan; it cannot be combined with TAVRO_SANITIZE=thread")
  endif()
  # Coverage instrumentation everywhere; the fuzz programs add libFuzzer's main when linking.
  add_compile_options(-fsanitize=fuzzer-no-link)
  set(tavro_sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined)
endif()

# Test properties for the test programs that make web views (add them to gtest_discover_tests'
# PROPERTIES). QtWebEngine's Chromium frees one of its own objects with a sized delete of a
# smaller type (in ~WebContentsAdapter, whenever a page is destroyed), and ASan's new/delete
# size check cannot be suppressed by library: it is off in those programs, on everywhere else.
set(TAVRO_WEB_VIEW_TEST_PROPERTIES)
if(TAVRO_SANITIZE STREQUAL "address")
  # Made before the sanitizer flags below, so it is built without them (see the file).
  add_library(tavro_keep_loaded SHARED ${PROJECT_SOURCE_DIR}/tests/hardening/sanitizers/KeepLoaded.c)
  link_libraries(tavro_keep_loaded)
  set(TAVRO_WEB_VIEW_TEST_PROPERTIES
      ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=string_append::new_delete_type_mismatch=0")
endif()

if(tavro_sanitizer_flags)
  add_compile_options(${tavro_sanitizer_flags} -fno-omit-frame-pointer)
  add_link_options(${tavro_sanitizer_flags})
endif()

# Build steps put this before the sanitized tools they run, so that those see the same
# suppressions as the tests (ThreadSanitizer otherwise fails the step on Qt's own threads).
set(TAVRO_SANITIZED_RUN)
if(TAVRO_SANITIZE STREQUAL "thread")
  set(TAVRO_SANITIZED_RUN ${CMAKE_COMMAND} -E env
      "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/hardening/sanitizers/tsan.supp:halt_on_error=1")
endif()
