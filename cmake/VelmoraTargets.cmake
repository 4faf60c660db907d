# One library per source folder, one test program per test folder.
#
#   velmora_library(<name> [SOURCES <files...>] [EXCLUDE <files...>] [DEPS <targets...>])
#     Builds every .cpp in the current source folder (or only SOURCES, less
#     EXCLUDE) into a static library <name>. SOURCES names the files of a
#     library that also takes a subfolder's files or a resource file (the
#     terminal view with its GPU renderer); EXCLUDE leaves out a file that
#     another target builds (an executable's main.cpp). Headers are included
#     as "corvel/model/Buffer.h" and so on, from src/. A library with no
#     sources yet becomes an interface library.
#
#   velmora_tests(<name> [DEPS <targets...>])
#     Builds every .cpp in the current folder into the GoogleTest program
#     <name> and registers its cases with CTest. Skipped while the folder
#     holds no sources.

function(velmora_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  if(ARG_SOURCES)
    list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE sources)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

function(velmora_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    VELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELMORA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
