# Files the resource script embeds that the build makes: the picture, the icons, the
# licence string and the compressed payload.
include(${CMAKE_CURRENT_LIST_DIR}/art/art.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/payload.cmake)
set(RESOURCE_FILES ${ART_FILES} ${PAYLOAD_COMPRESSED})
