# The functions a shown HUD runs (cmake/hot-text.txt, written by scripts/hot-text) are laid out
# together at the start of a Release executable's text, before everything else. The kernel maps
# 64 KB around each page of the executable it faults in, so run and unrun code interleaved keep
# the whole text resident; laid out apart, what never runs in a session is never read.
#   kaidro_hot_text(<executable> <list>)
function(kaidro_hot_text executable list)
  set(script "${CMAKE_BINARY_DIR}/${executable}-hot-text.ld")
  set(tool "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/hot-text.sh")
  add_custom_command(OUTPUT "${script}" COMMAND "${tool}" "${list}" "${script}"
    DEPENDS "${list}" "${tool}" VERBATIM)
  add_custom_target(${executable}-hot-text DEPENDS "${script}")
  add_dependencies(${executable} ${executable}-hot-text)
  # Each function has a section of its own only where it is compiled with -ffunction-sections.
  target_link_options(${executable} PRIVATE "$<$<CONFIG:Release>:LINKER:-T,${script}>")
  set_property(TARGET ${executable} APPEND PROPERTY LINK_DEPENDS "${script}")
endfunction()
