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
  # Outside a bundle the editor's fonts are found beside the program.
  tesk_fonts_beside_programs()
  # Tests on the shared X server move the one pointer and keyboard: never two at once.
  set(lock_properties)
  if("x11" IN_LIST T_LABELS)
    set(lock_properties RESOURCE_LOCK x11_display)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600 ${lock_properties})
endfunction()

# tesk_add_layer_tests(layer LIBS ...): every .cpp in the calling folder becomes one
# executable <layer>_tests (label unit), except files named *_concurrency_test.cpp, which
# form <layer>_concurrency_tests (label concurrency: also run under ThreadSanitizer).
# Files in a support/ subfolder are linked into both.
function(tesk_add_layer_tests layer)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB support_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  set(unit_sources)
  set(concurrency_sources)
  foreach(f ${all_sources})
    if(f MATCHES "_concurrency_test\\.cpp$")
      list(APPEND concurrency_sources ${f})
    else()
      list(APPEND unit_sources ${f})
    endif()
  endforeach()
  if(unit_sources)
    tesk_add_gtest(${layer}_tests SOURCES ${unit_sources} ${support_sources} LIBS ${T_LIBS})
  endif()
  if(concurrency_sources)
    tesk_add_gtest(${layer}_concurrency_tests SOURCES ${concurrency_sources} ${support_sources}
                   LIBS ${T_LIBS} LABELS concurrency)
  endif()
endfunction()
