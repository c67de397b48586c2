# zstd, the codec of compact packages, as the target qr_zstd.
# Natively Debian's libzstd-dev. The Windows programs link the static
# libraries scripts/zstd-mingw.sh builds from Debian's source package: the
# setup program and the uninstaller (QR_STUBS_ONLY) the decoder alone, the
# other programs the full, multi-threaded library.
if(DEFINED ENV{XDG_CACHE_HOME})
  set(qr_zstd_cache "$ENV{XDG_CACHE_HOME}")
else()
  set(qr_zstd_cache "$ENV{HOME}/.cache")
endif()
set(QR_ZSTD_MINGW_DIR "${qr_zstd_cache}/qrmaker/zstd-mingw" CACHE PATH
    "zstd built for mingw-w64 by scripts/zstd-mingw.sh")

if(CMAKE_CROSSCOMPILING)
  if(QR_STUBS_ONLY)
    set(qr_zstd_lib "${QR_ZSTD_MINGW_DIR}/lib/libzstd-decoder.a")
  else()
    set(qr_zstd_lib "${QR_ZSTD_MINGW_DIR}/lib/libzstd.a")
  endif()
  if(NOT EXISTS "${qr_zstd_lib}" OR NOT EXISTS "${QR_ZSTD_MINGW_DIR}/include/zstd.h")
    message(FATAL_ERROR "${qr_zstd_lib} is missing: run scripts/zstd-mingw.sh "
                        "(scripts/build.sh does) or set QR_ZSTD_MINGW_DIR")
  endif()
  add_library(qr_zstd STATIC IMPORTED GLOBAL)
  set_target_properties(qr_zstd PROPERTIES
    IMPORTED_LOCATION "${qr_zstd_lib}"
    INTERFACE_INCLUDE_DIRECTORIES "${QR_ZSTD_MINGW_DIR}/include")
else()
  find_package(zstd CONFIG REQUIRED)
  add_library(qr_zstd INTERFACE IMPORTED GLOBAL)
  target_link_libraries(qr_zstd INTERFACE zstd::libzstd_shared)
endif()
