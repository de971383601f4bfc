# cmake --build build --target format: applies .clang-format to the sources.
find_program(ZUMASET_CLANG_FORMAT clang-format)
if(ZUMASET_CLANG_FORMAT)
  file(GLOB_RECURSE ZUMASET_FORMAT_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h
    ${PROJECT_SOURCE_DIR}/tools/*.cpp ${PROJECT_SOURCE_DIR}/tools/*.h
    ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
    ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/bench/*.h
    ${PROJECT_SOURCE_DIR}/fuzz/*.cpp ${PROJECT_SOURCE_DIR}/fuzz/*.h)
  add_custom_target(format COMMAND ${ZUMASET_CLANG_FORMAT} -i ${ZUMASET_FORMAT_SOURCES}
    COMMENT "Formatting the sources")
endif()
