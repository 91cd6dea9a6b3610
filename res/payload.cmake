# The product's fourteen files, compressed by the project's SZDD compressor into
# ${RESOURCE_DIR}/payload/FILEn.szd and embedded as raw data "FILE0" to "FILE13" in
# installation order (payload.rc, included by the resource script).
add_subdirectory(${CMAKE_SOURCE_DIR}/payload ${CMAKE_BINARY_DIR}/payload-build)

set(PAYLOAD_COMPRESSED)
set(payload_rc "// Made by the build: the payload in installation order.\n")
set(row 0)
foreach(file IN LISTS PAYLOAD_FILES)
  set(compressed "${RESOURCE_DIR}/payload/FILE${row}.szd")
  add_custom_command(
    OUTPUT "${compressed}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${RESOURCE_DIR}/payload"
    COMMAND "${HOST_TOOLS_DIR}/szdd" "${file}" "${compressed}"
    DEPENDS payload "${file}" "${HOST_TOOLS_DIR}/szdd"
    VERBATIM)
  list(APPEND PAYLOAD_COMPRESSED "${compressed}")
  string(APPEND payload_rc "FILE${row} RCDATA \"payload/FILE${row}.szd\"\n")
  math(EXPR row "${row} + 1")
endforeach()
file(GENERATE OUTPUT "${RESOURCE_DIR}/payload.rc" CONTENT "${payload_rc}")
add_custom_target(quillmere_payload DEPENDS ${PAYLOAD_COMPRESSED})
