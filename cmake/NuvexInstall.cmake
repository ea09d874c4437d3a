# `cmake --install` and `cpack -G DEB` of the tools for product makers.
#
# The host tree installs, below the prefix:
#   bin/nuvexpack                  a link to lib/nuvex/nuvexpack
#   lib/nuvex/nuvexpack            the package builder
#   lib/nuvex/nuvex.exe            the installer stub, beside the builder so that
#                                  `nuvexpack build` finds it without --stub
#   lib/cmake/Nuvex/               the CMake package: find_package(Nuvex), nuvex_add_installer()
#   share/doc/nuvex/               README and docs
#
# The stub is a Windows program and comes from the Windows tree: NUVEX_STUB, by default
# ../win32/bin/nuvex.exe beside the host tree, as scripts/build.sh lays the trees out. Build
# the Windows tree before installing the host tree.
#
# The Windows tree installs nuvexpack.exe and nuvex.exe side by side into bin/.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(NUVEX_PRIVATE_DIR lib/nuvex)
set(NUVEX_CMAKE_DIR lib/cmake/Nuvex)
set(NUVEX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/nuvex)

if(WIN32)
  if(TARGET nuvex)
    install(TARGETS nuvex RUNTIME DESTINATION bin)
  endif()
  if(TARGET nuvexpack)
    install(TARGETS nuvexpack RUNTIME DESTINATION bin)
  endif()
  return()
endif()

get_filename_component(_nuvex_default_stub ${CMAKE_BINARY_DIR}/../win32/bin/nuvex.exe ABSOLUTE)
set(NUVEX_STUB ${_nuvex_default_stub} CACHE FILEPATH
    "The installer stub nuvex.exe from the Windows tree, installed beside nuvexpack")

# Checked when installing rather than when configuring: the Windows tree is usually built
# after the host tree has been configured. Checked first, so that a missing stub leaves
# nothing half installed.
install(CODE "
  if(NOT EXISTS \"${NUVEX_STUB}\")
    message(FATAL_ERROR \"The installer stub ${NUVEX_STUB} does not exist. Build the Windows \"
                        \"tree first (scripts/build.sh), or set NUVEX_STUB to a nuvex.exe.\")
  endif()")

if(TARGET nuvexpack)
  install(TARGETS nuvexpack RUNTIME DESTINATION ${NUVEX_PRIVATE_DIR})
  # The link is made here and installed as a link; nuvexpack reads its own path through
  # /proc/self/exe, which resolves it, and so finds the stub in lib/nuvex.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
  file(CREATE_LINK ../${NUVEX_PRIVATE_DIR}/nuvexpack ${CMAKE_BINARY_DIR}/install-links/nuvexpack
       SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install-links/nuvexpack DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(PROGRAMS ${NUVEX_STUB} DESTINATION ${NUVEX_PRIVATE_DIR} RENAME nuvex.exe)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/nuvexpack.md
              ${PROJECT_SOURCE_DIR}/docs/cmake.md ${PROJECT_SOURCE_DIR}/docs/script-reference.md
              ${PROJECT_SOURCE_DIR}/docs/deploy.md
        DESTINATION ${NUVEX_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/cmake-project ${PROJECT_SOURCE_DIR}/examples/sample
        DESTINATION ${NUVEX_DOC_DIR}/examples)

write_basic_package_version_file(${CMAKE_BINARY_DIR}/NuvexConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/NuvexConfig.cmake
              ${PROJECT_SOURCE_DIR}/cmake/package/NuvexBuildInstaller.cmake
              ${CMAKE_BINARY_DIR}/NuvexConfigVersion.cmake
        DESTINATION ${NUVEX_CMAKE_DIR})

# cpack -G DEB: nuvex-tools_VERSION_ARCH.deb
set(CPACK_PACKAGE_NAME nuvex-tools)
set(CPACK_PACKAGE_VENDOR "Nuvex")
set(CPACK_PACKAGE_CONTACT "Nuvex developers <nuvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Nuvex package builder, installer stub and CMake package for Windows installers")
set(CPACK_PACKAGE_DESCRIPTION
    "nuvexpack turns an installer script and a folder of product files into one\nself-extracting 32-bit Windows installer, setup.exe. The package holds the\nbuilder, the installer stub nuvex.exe, the documentation and a CMake package\nwith nuvex_add_installer().")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# Written out rather than computed with dpkg-shlibdeps, which needs dpkg-dev.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12), zlib1g")
if(NUVEXPACK_LIBDEFLATE_LIBRARY)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libdeflate0")
endif()
if(LIBLZMA_LIBRARY)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", liblzma5")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake (>= 3.20), wine")
# Only the builder: the stub is a stripped PE already, and the host strip does not know PE.
set(CPACK_STRIP_FILES ${NUVEX_PRIVATE_DIR}/nuvexpack)
include(CPack)
