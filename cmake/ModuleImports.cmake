# A module the program loads (the native Wayland path) uses some of the program's own classes:
# their base classes, signals and helpers. They must be the executable's own copies (one
# meta-object per class), so the executable exports exactly the symbols the module takes from its
# libraries, and links them in even where nothing else of its own uses them.
#   kaidro_module_imports(<executable> <module> <static libraries...>)
function(kaidro_module_imports executable module)
  set(list "${CMAKE_BINARY_DIR}/${module}-imports.list")
  set(script "${CMAKE_BINARY_DIR}/${module}-imports.ld")
  set(archives "")
  foreach(library IN LISTS ARGN)
    list(APPEND archives "$<TARGET_FILE:${library}>")
  endforeach()
  set(tool "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/module-imports.sh")
  add_custom_command(OUTPUT "${list}" "${script}"
    COMMAND "${tool}" "${CMAKE_NM}" "$<TARGET_FILE:${module}>" "${list}" "${script}" ${archives}
    DEPENDS ${module} ${ARGN} "${tool}" VERBATIM)
  add_custom_target(${module}-imports DEPENDS "${list}" "${script}")
  add_dependencies(${executable} ${module}-imports)
  target_link_options(${executable} PRIVATE "LINKER:--dynamic-list=${list}" "${script}")
  set_property(TARGET ${executable} APPEND PROPERTY LINK_DEPENDS "${list}" "${script}")
endfunction()
