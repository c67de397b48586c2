# GoogleTest for both builds: Debian's package natively, built from the sources
# Debian ships in /usr/src/googletest for the Windows build.
enable_testing()
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(QR_GTEST_LIBS GTest::gtest_main GTest::gmock)
  if(NOT TARGET GTest::gtest_main)
    set(QR_GTEST_LIBS gtest_main gmock)
  endif()
else()
  find_package(GTest REQUIRED)
  set(QR_GTEST_LIBS GTest::gtest_main GTest::gmock)
endif()

# qr_add_gtest(NAME SOURCES... LIBS libs...)
# One test binary, one CTest test: under wine every process start costs time,
# so the cases of a binary run together.
function(qr_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${QR_GTEST_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QR_SOURCE_DIR=${CMAKE_SOURCE_DIR};QR_BINARY_DIR=${CMAKE_BINARY_DIR}"
    TIMEOUT 900)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
