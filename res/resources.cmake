# Files the resource script embeds that the build makes: the picture, the icons and
# the licence string.
include(${CMAKE_CURRENT_LIST_DIR}/art/art.cmake)
set(RESOURCE_FILES ${ART_FILES})
