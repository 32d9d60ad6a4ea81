# The interface cues are synthesized at build time by our own generator (tools/cuegen) into
# ${KAIDRO_RESOURCES_DIR}/sounds, so no audio file is kept in the repository.
add_executable(cuegen "${PROJECT_SOURCE_DIR}/tools/cuegen/cuegen.cpp")
# A plain C++ host tool: no Qt, so nothing for moc to look at.
set_target_properties(cuegen PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
kaidro_warnings(cuegen)

set(_cue_dir "${KAIDRO_RESOURCES_DIR}/sounds")
set(_cue_files)
foreach(_cue open close select confirm cancel hover)
  list(APPEND _cue_files "${_cue_dir}/zel_${_cue}.wav")
endforeach()

add_custom_command(
  OUTPUT ${_cue_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory "${_cue_dir}"
  COMMAND cuegen "${_cue_dir}"
  DEPENDS cuegen
  COMMENT "Generating the interface sound cues"
  VERBATIM)
add_custom_target(kaidro_sounds DEPENDS ${_cue_files})
add_dependencies(kaidro_resources kaidro_sounds)
