# hx_embed_layouts(<target> FILES <layout.txt>...)
# Converts each text-form layout to the binary object-stream form at build time and compiles
# it into <target>, registered under the file's name without extension (FindEmbeddedLayout).
# Give it the executable (or another target whose object files are linked directly): in a
# static library nothing would pull the generated registrations in. <target> must link hx_scene.
function(hx_embed_layouts target)
  cmake_parse_arguments(ARG "" "" "FILES" ${ARGN})
  foreach(file ${ARG_FILES})
    get_filename_component(abs ${file} ABSOLUTE)
    get_filename_component(stem ${file} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/hx_layouts/${target}_${stem}.cpp)
    add_custom_command(
      OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/hx_layouts
      COMMAND hx_layout2bin ${abs} ${out} ${stem}
      DEPENDS hx_layout2bin ${abs}
      COMMENT "Embedding layout ${stem}"
      VERBATIM)
    target_sources(${target} PRIVATE ${out})
  endforeach()
endfunction()
