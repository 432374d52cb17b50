# Copies data/ (and the user guide) beside the executable, file by file, only when a source changed,
# so settings edited in build/bin survive a rebuild that did not touch their source.
file(GLOB_RECURSE RIVULET_DATA_FILES CONFIGURE_DEPENDS
  RELATIVE ${CMAKE_SOURCE_DIR}/data ${CMAKE_SOURCE_DIR}/data/*)
set(RIVULET_DATA_OUTPUTS)
foreach(rel ${RIVULET_DATA_FILES})
  set(out ${RIVULET_BIN_DIR}/${rel})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/data/${rel} ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${rel}
    COMMENT "" VERBATIM)
  list(APPEND RIVULET_DATA_OUTPUTS ${out})
endforeach()
file(GLOB RIVULET_GUIDE_FILES CONFIGURE_DEPENDS
  RELATIVE ${CMAKE_SOURCE_DIR}/docs/guide ${CMAKE_SOURCE_DIR}/docs/guide/*)
foreach(rel ${RIVULET_GUIDE_FILES})
  set(out ${RIVULET_BIN_DIR}/help/${rel})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/docs/guide/${rel} ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/guide/${rel}
    COMMENT "" VERBATIM)
  list(APPEND RIVULET_DATA_OUTPUTS ${out})
endforeach()
add_custom_target(rivulet_runtime_data ALL DEPENDS ${RIVULET_DATA_OUTPUTS})
