# Test helpers. Labels select what each build of scripts/test runs:
#   unit         plain unit tests (also run under AddressSanitizer + UBSan)
#   integration  tests that load the built bundle as a host does (also run under ASan + UBSan)
#   concurrency  thread tests (also run under ThreadSanitizer)
#   x11          tests that need the X server scripts/test starts (Xvfb)
find_package(GTest REQUIRED)
include(GoogleTest)

# tesk_add_gtest(name SOURCES ... LIBS ... [LABELS ...])
function(tesk_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  # A ThreadSanitizer build only carries the concurrency tests.
  if(TESK_SANITIZE MATCHES "thread" AND NOT "concurrency" IN_LIST T_LABELS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  tesk_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600)
endfunction()
