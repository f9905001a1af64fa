set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

set(MINIZIP_DIR ${TOBURE_DEPS_DIR}/minizip)
if(NOT EXISTS ${MINIZIP_DIR}/.complete)
    message(FATAL_ERROR "minizip source missing in ${MINIZIP_DIR}: run scripts/setup.sh")
endif()
add_library(minizip STATIC
    ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/zip.c ${MINIZIP_DIR}/unzip.c ${MINIZIP_DIR}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_DIR})
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
