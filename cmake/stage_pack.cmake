# cmake -DFROM=DATA_DIR -DTO=DIR -P stage_pack.cmake: copies the asset pack's
# files (not the build's hidden stamp files) from FROM into an empty TO.
file(REMOVE_RECURSE ${TO})
file(MAKE_DIRECTORY ${TO})
file(GLOB files LIST_DIRECTORIES false ${FROM}/*)
foreach(file ${files})
  get_filename_component(name ${file} NAME)
  if(NOT name MATCHES "^\\.")
    file(COPY ${file} DESTINATION ${TO})
  endif()
endforeach()
