# install.dat: the container of the setup stub and the uninstaller, placed beside
# every tool, and the header with its MD5 digest that the tools check at start.
#
# The native build compiles the two stub programs with mingw-w64 (a nested build
# of this tree in stubs-only mode) and packs them with mkinstalldat. The Windows
# build takes the native build's install.dat (QR_INSTALL_DAT), so both carry
# the same bytes.
set(QR_INSTALL_DAT_OUT ${CMAKE_BINARY_DIR}/bin/install.dat)
set(QR_DIGEST_HEADER ${CMAKE_BINARY_DIR}/generated/install_dat_digest.h)

if(CMAKE_CROSSCOMPILING)
  set(QR_INSTALL_DAT "" CACHE FILEPATH "install.dat made by the native build")
  if(NOT QR_INSTALL_DAT)
    message(FATAL_ERROR "The Windows build needs -DQR_INSTALL_DAT=<native build>/bin/install.dat")
  endif()
  add_custom_command(OUTPUT ${QR_INSTALL_DAT_OUT}
    COMMAND ${CMAKE_COMMAND} -E copy ${QR_INSTALL_DAT} ${QR_INSTALL_DAT_OUT}
    DEPENDS ${QR_INSTALL_DAT}
    COMMENT "Copying install.dat")
else()
  include(ExternalProject)
  set(QR_STUB_BIN ${CMAKE_BINARY_DIR}/stub-win/bin)
  ExternalProject_Add(stub_programs
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/stub-win
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
               -DQR_STUBS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
               -DQR_ZSTD_MINGW_DIR=${QR_ZSTD_MINGW_DIR}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${QR_STUB_BIN}/setup.exe ${QR_STUB_BIN}/uninst.exe)
  add_custom_command(OUTPUT ${QR_INSTALL_DAT_OUT}
    COMMAND mkinstalldat ${QR_STUB_BIN}/setup.exe ${QR_STUB_BIN}/uninst.exe ${QR_INSTALL_DAT_OUT}
    DEPENDS mkinstalldat stub_programs ${QR_STUB_BIN}/setup.exe ${QR_STUB_BIN}/uninst.exe
    COMMENT "Packing the setup stub and the uninstaller into install.dat")
endif()

add_custom_command(OUTPUT ${QR_DIGEST_HEADER}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${QR_INSTALL_DAT_OUT} -DOUTPUT=${QR_DIGEST_HEADER}
          -P ${CMAKE_SOURCE_DIR}/cmake/WriteDigestHeader.cmake
  DEPENDS ${QR_INSTALL_DAT_OUT} ${CMAKE_SOURCE_DIR}/cmake/WriteDigestHeader.cmake
  COMMENT "Writing the expected digest of install.dat")
add_custom_target(install_dat ALL DEPENDS ${QR_INSTALL_DAT_OUT} ${QR_DIGEST_HEADER})

# Programs that check install.dat at start link this to get the digest header.
add_library(install_dat_digest INTERFACE)
target_include_directories(install_dat_digest INTERFACE ${CMAKE_BINARY_DIR}/generated)
add_dependencies(install_dat_digest install_dat)
