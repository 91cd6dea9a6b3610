# The installer's picture, icons and licence string, made at build time by the
# generators beside this file. Include it from the cross build; it sets
#   ART_DIR    the folder the outputs go to (add it to windres's include path)
#   ART_FILES  the generated files (tarven-plain.bmp is for the tests alone)
# The target quillmere_art makes them. windres does not report the bitmaps and
# icons an .rc file names, so a target whose .rc uses them wants
#   add_dependencies(<target> quillmere_art)
#   set_source_files_properties(<its .rc> PROPERTIES OBJECT_DEPENDS "${ART_FILES}")
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(ART_DIR "${CMAKE_BINARY_DIR}/res")
set(_art_src "${CMAKE_CURRENT_LIST_DIR}")
set(_art_pictures
  "${ART_DIR}/tarven.bmp" "${ART_DIR}/tarven-plain.bmp" "${ART_DIR}/quill.ico"
  "${ART_DIR}/folder.ico" "${ART_DIR}/up.ico" "${ART_DIR}/newfolder.ico")

# Two commands, so that editing the licence does not redraw the picture.
add_custom_command(
  OUTPUT ${_art_pictures}
  COMMAND "${Python3_EXECUTABLE}" -B "${_art_src}/mkart.py" "${ART_DIR}"
  DEPENDS "${_art_src}/mkart.py" "${_art_src}/raster.py"
          "${_art_src}/formats.py"
  COMMENT "Drawing the installer's picture and icons"
  VERBATIM)
add_custom_command(
  OUTPUT "${ART_DIR}/licence.rc"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${ART_DIR}"
  COMMAND "${Python3_EXECUTABLE}" -B "${_art_src}/mklicence.py"
          "${_art_src}/../licence.txt" "${ART_DIR}/licence.rc"
  DEPENDS "${_art_src}/mklicence.py" "${_art_src}/../licence.txt"
  COMMENT "Turning the licence into string 189"
  VERBATIM)

set(ART_FILES ${_art_pictures} "${ART_DIR}/licence.rc")
# licence.rc is only ever #included: never compile it on its own.
set_source_files_properties("${ART_DIR}/licence.rc" PROPERTIES HEADER_FILE_ONLY TRUE)
add_custom_target(quillmere_art DEPENDS ${ART_FILES})
