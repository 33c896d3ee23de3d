# Host builds: the tests check the real product, so the host build also builds
# the 32-bit Setup.exe, with the default settings, in a folder of its own
# (build/win32 is the publisher's), and a Setup.exe configured with an empty
# base name. SETUP_EXE names the product.
include(ExternalProject)

# Never a cached setting: a cache from an older checkout must not point the
# tests back at the publisher's build/win32.
set(SETUP_PRODUCT_DIR "${CMAKE_BINARY_DIR}/win32")
set(SETUP_EXE "${SETUP_PRODUCT_DIR}/Setup.exe")
set(product_args
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
  -DCMAKE_BUILD_TYPE=MinSizeRel
  -DSETUP_PACKAGE_BASE_NAME=quelvarine
  -DSETUP_ALLOW_EMPTY_BASE_NAME=OFF
  -DSETUP_EXECUTION_LEVEL=asInvoker
  -DSETUP_WERROR=${SETUP_WERROR})

ExternalProject_Add(product
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${SETUP_PRODUCT_DIR}
  CMAKE_ARGS ${product_args}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${SETUP_EXE})

set(SETUP_EMPTY_EXE "${SETUP_PRODUCT_DIR}-empty/Setup.exe")
ExternalProject_Add(product_empty
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${SETUP_PRODUCT_DIR}-empty
  CMAKE_ARGS ${product_args} -DSETUP_PACKAGE_BASE_NAME= -DSETUP_ALLOW_EMPTY_BASE_NAME=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target Setup
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${SETUP_EMPTY_EXE})
