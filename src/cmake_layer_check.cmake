# Refuses, at configure time, any include in FOLDER whose text matches PATTERN: a floor of the
# build may not reach up to the floors above it.
function(chromaflow_refuse_includes folder pattern why)
  file(GLOB_RECURSE layer_files CONFIGURE_DEPENDS ${folder}/*.h ${folder}/*.cpp)
  foreach(file ${layer_files})
    file(STRINGS ${file} borrowed REGEX "^[ \t]*#[ \t]*include[ \t]*${pattern}")
    if(borrowed)
      file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
      message(FATAL_ERROR "${shown} ${why}: ${borrowed}")
    endif()
  endforeach()
endfunction()

# Refuses Qt among the libraries a target links.
function(chromaflow_refuse_qt_link target)
  get_target_property(libraries ${target} LINK_LIBRARIES)
  if(libraries MATCHES "Qt")
    message(FATAL_ERROR "${target} must not link Qt (it links: ${libraries})")
  endif()
endfunction()
