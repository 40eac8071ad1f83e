# libjpeg for the Windows programs: Debian ships none for mingw-w64, so the
# build fetches Debian's own source package of libjpeg-turbo (apt-get source,
# which needs a deb-src entry: scripts/packages.sh adds one) and cross-builds
# its static library with the same toolchain.  Defines the target
# jpeg::static.
include(ExternalProject)

set(LIBJPEG_TURBO_ROOT ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(LIBJPEG_TURBO_SOURCE ${LIBJPEG_TURBO_ROOT}/source)
set(LIBJPEG_TURBO_BINARY ${LIBJPEG_TURBO_ROOT}/build)
set(LIBJPEG_TURBO_LIBRARY ${LIBJPEG_TURBO_BINARY}/libjpeg.a)

# apt-get source unpacks into a folder named after the version: the step
# moves it to a fixed name.
ExternalProject_Add(libjpeg-turbo
  PREFIX ${LIBJPEG_TURBO_ROOT}
  SOURCE_DIR ${LIBJPEG_TURBO_SOURCE}
  BINARY_DIR ${LIBJPEG_TURBO_BINARY}
  DOWNLOAD_COMMAND ${CMAKE_COMMAND} -DROOT=${LIBJPEG_TURBO_ROOT}
                   -P ${CMAKE_CURRENT_LIST_DIR}/FetchDebianSource.cmake
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
             -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=${LIBJPEG_TURBO_ROOT}/unused
             -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
             -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
             -DWITH_SIMD=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target jpeg-static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${LIBJPEG_TURBO_LIBRARY})

# Headers: the source's, and jconfig.h from the build.
file(MAKE_DIRECTORY ${LIBJPEG_TURBO_SOURCE} ${LIBJPEG_TURBO_BINARY})
add_library(jpeg::static STATIC IMPORTED GLOBAL)
set_target_properties(jpeg::static PROPERTIES
  IMPORTED_LOCATION ${LIBJPEG_TURBO_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES "${LIBJPEG_TURBO_SOURCE};${LIBJPEG_TURBO_BINARY}")
add_dependencies(jpeg::static libjpeg-turbo)
