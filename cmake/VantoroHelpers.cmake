# vantoro_subsystem(<target> [DEPS ...] [EXCLUDE <file> ...]) builds every .cpp/.h/.qrc of
# the calling folder into one static library, so adding a file needs no CMake edit. Files
# named after EXCLUDE (names within the folder) belong to a library of their own.
function(vantoro_subsystem target)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  foreach(_x ${ARG_EXCLUDE})
    list(REMOVE_ITEM _src ${CMAKE_CURRENT_SOURCE_DIR}/${_x})
  endforeach()
  add_library(${target} STATIC ${_src} ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  target_compile_definitions(${target} PUBLIC VANTORO_VERSION="${PROJECT_VERSION}")
endfunction()
