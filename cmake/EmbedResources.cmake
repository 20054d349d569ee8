# tarvel_embed_resources(target file...): compiles the files into `target` as
# byte arrays, found at run time by their file names (src/platform/resources/embedded.h).
function(tarvel_embed_resources target)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/generated/embedded_resources.cpp)
  list(JOIN ARGN "|" files)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DFILES=${files}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    COMMENT "Embedding resources"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
