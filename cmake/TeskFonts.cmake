# The editor's fonts: DejaVu from Debian's fonts-dejavu-core, shipped inside the bundle
# (Contents/Resources/fonts, license beside them) so that text looks the same whatever fonts
# a machine has. The GDI shim takes faces only from "fonts" in the module's resource folder
# (src/core/Core_Bundle.h): the bundle's Contents/Resources, or for a program outside a bundle
# (tests, benchmarks) the program's own folder.
#
#   TESK_FONT_DIR                  the fonts and LICENSE, staged in the build folder
#   tesk_fonts_beside_programs()   gives the programs of the calling folder their "fonts"
#                                  (a link to TESK_FONT_DIR)
#   tesk_bundle_fonts(target dir)  copies the fonts into the bundle folder dir after target builds
set(TESK_FONT_SOURCE_DIR /usr/share/fonts/truetype/dejavu CACHE PATH "Folder of Debian's DejaVu fonts")
set(TESK_FONT_LICENSE /usr/share/doc/fonts-dejavu-core/copyright CACHE FILEPATH "License of the DejaVu fonts")
set(TESK_FONT_FILES
  DejaVuSans.ttf DejaVuSans-Bold.ttf
  DejaVuSansMono.ttf DejaVuSansMono-Bold.ttf
  DejaVuSerif.ttf DejaVuSerif-Bold.ttf)
set(TESK_FONT_DIR ${CMAKE_BINARY_DIR}/fonts)

foreach(font ${TESK_FONT_FILES})
  if(NOT EXISTS ${TESK_FONT_SOURCE_DIR}/${font})
    message(FATAL_ERROR "${TESK_FONT_SOURCE_DIR}/${font} is missing: install fonts-dejavu-core (scripts/setup)")
  endif()
  file(COPY ${TESK_FONT_SOURCE_DIR}/${font} DESTINATION ${TESK_FONT_DIR})
endforeach()
if(NOT EXISTS ${TESK_FONT_LICENSE})
  message(FATAL_ERROR "${TESK_FONT_LICENSE} is missing: install fonts-dejavu-core (scripts/setup)")
endif()
configure_file(${TESK_FONT_LICENSE} ${TESK_FONT_DIR}/LICENSE COPYONLY)

function(tesk_fonts_beside_programs)
  file(CREATE_LINK ${TESK_FONT_DIR} ${CMAKE_CURRENT_BINARY_DIR}/fonts SYMBOLIC)
endfunction()

function(tesk_bundle_fonts target bundle_dir)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${TESK_FONT_DIR} ${bundle_dir}/Contents/Resources/fonts
    VERBATIM)
endfunction()
