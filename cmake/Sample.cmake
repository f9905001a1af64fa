# Packs the sample model folder with the maker into plugin/sample.pin beside the programs.
set(SAMPLE_SOURCE ${CMAKE_SOURCE_DIR}/resources/sample)
set(SAMPLE_WORK ${CMAKE_BINARY_DIR}/sample-pack/sample)
set(SAMPLE_PIN ${CMAKE_BINARY_DIR}/plugin/sample.pin)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/plugin ${CMAKE_BINARY_DIR}/save)
set(SAMPLE_WORK_WINDOWS "Z:${SAMPLE_WORK}")
add_custom_command(OUTPUT ${SAMPLE_PIN}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${SAMPLE_WORK}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${SAMPLE_SOURCE} ${SAMPLE_WORK}
    COMMAND ${CMAKE_COMMAND} -E env TOBURE_NO_MESSAGE_BOX=1 LANG=ja_JP.UTF-8
            ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:plugin> ${SAMPLE_WORK_WINDOWS} > sample-pack.log
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/sample-pack/sample.pin ${SAMPLE_PIN}
    DEPENDS plugin ${SAMPLE_SOURCE}/sample.x ${SAMPLE_SOURCE}/sample.bmp
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing the sample plug-in")
add_custom_target(sample_plugin ALL DEPENDS ${SAMPLE_PIN})
