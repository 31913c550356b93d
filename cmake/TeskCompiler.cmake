# Compiler settings shared by every target of the project.

# The sound path must compute exactly what its operations say: no fused
# multiply-add, no fast-math, baseline x86-64 (no -march=native).
add_compile_options(-ffp-contract=off -fno-fast-math)

if(TESK_SANITIZE)
  add_compile_options(-fsanitize=${TESK_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${TESK_SANITIZE})
endif()

# Warnings for the project's own targets (third-party code is built without them).
function(tesk_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# Declares a static library of one layer: tesk_library(name SOURCES ... [DEPS ...] [PUBLIC_INCLUDE dir])
function(tesk_library name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS;SYSTEM_DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(L_DEPS)
    target_link_libraries(${name} PUBLIC ${L_DEPS})
  endif()
  tesk_warnings(${name})
endfunction()
