# Regenerates the default scene into a scratch directory and requires the
# committed files to be byte-identical, so that the assets never drift from
# their generator.
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${PYTHON}" "${SOURCE}/tools/make_default_scene.py" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${status}")
endif()
foreach(name data/bou.ASE 64Bits.bmp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${SOURCE}/${name}" "${OUT}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} differs from what tools/make_default_scene.py writes")
  endif()
endforeach()
