# The editor program: WinMain, the resource script and the editor library,
# with help.chm built from resources/help and placed beside the program.
add_executable(TobureModeler WIN32 ${CMAKE_SOURCE_DIR}/modeller/app/WinMain.cpp
    ${CMAKE_SOURCE_DIR}/resources/TobureModeler.rc)
target_link_libraries(TobureModeler PRIVATE editor gfl_debug_sink)
# windres reads the pictures and the sound itself, outside the preprocessor's depfile.
set(EDITOR_RESOURCE_FILES
    ${CMAKE_SOURCE_DIR}/resources/editor.ico
    ${CMAKE_SOURCE_DIR}/resources/toolbar_modeling.bmp
    ${CMAKE_SOURCE_DIR}/resources/toolbar_parts.bmp
    ${CMAKE_SOURCE_DIR}/resources/complete.wav)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/TobureModeler.rc PROPERTIES
    OBJECT_DEPENDS "${EDITOR_RESOURCE_FILES}")

set(HELP_SOURCES
    ${CMAKE_SOURCE_DIR}/resources/help/help.hhp
    ${CMAKE_SOURCE_DIR}/resources/help/contents.hhc
    ${CMAKE_SOURCE_DIR}/resources/help/index.html
    ${CMAKE_SOURCE_DIR}/resources/help/modeling.html
    ${CMAKE_SOURCE_DIR}/resources/help/open.html
    ${CMAKE_SOURCE_DIR}/resources/help/parts.html
    ${CMAKE_SOURCE_DIR}/resources/help/style.css)
set(HELP_WORK ${CMAKE_BINARY_DIR}/help-build)
set(HELP_CHM ${CMAKE_BINARY_DIR}/help.chm)
find_program(CHMCMD chmcmd REQUIRED)
add_custom_command(OUTPUT ${HELP_CHM}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${HELP_WORK}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/help ${HELP_WORK}
    COMMAND ${CMAKE_COMMAND} -E chdir ${HELP_WORK} ${CHMCMD} help.hhp > help-build.log
    COMMAND ${CMAKE_COMMAND} -E copy ${HELP_WORK}/help.chm ${HELP_CHM}
    DEPENDS ${HELP_SOURCES}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Building help.chm")
add_custom_target(help_chm ALL DEPENDS ${HELP_CHM})
add_dependencies(TobureModeler help_chm)
