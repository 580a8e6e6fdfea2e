if(NOT EXISTS "${DST}")
  file(COPY_FILE "${SRC}" "${DST}")
  message(STATUS "Installed ${DST}")
endif()
