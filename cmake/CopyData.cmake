# Copies the data folder SRC to DST. The settings file is copied only when DST has none, because
# after the first run it holds the user's own settings.
file(MAKE_DIRECTORY "${DST}")
file(GLOB data_files RELATIVE "${SRC}" "${SRC}/*")
foreach(name IN LISTS data_files)
  if(name STREQUAL "Atalaya.ini" AND EXISTS "${DST}/${name}")
    continue()
  endif()
  file(COPY_FILE "${SRC}/${name}" "${DST}/${name}" ONLY_IF_DIFFERENT)
endforeach()
