# Installing the module and packaging it: the shared module with its SONAME links, the public
# header, the command's man page, a CMake package (find_package(VirU4Deduz) gives the imported
# target VirU4Deduz::VirU4Deduz), a pkg-config file, and a Debian package through CPack.
# The static libraries (the module's core, the writer) are build-time parts and stay out.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

target_include_directories(VirU4Deduz PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS VirU4Deduz EXPORT VirU4DeduzTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/VirU4Deduz.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/VirU4Deduz)

# The man page is installed with the command-line host it describes (tools/cli).

# The CMake package. The targets file finds its prefix from where it lies, so an installed tree
# can move.
set(cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/VirU4Deduz)
install(EXPORT VirU4DeduzTargets NAMESPACE VirU4Deduz:: DESTINATION ${cmake_package_dir})
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/VirU4DeduzConfig.cmake @ONLY CONTENT [[
# VirU4Deduz: the module that gives support loads and node displacements of pipe stress jobs.
# Provides the imported target VirU4Deduz::VirU4Deduz (the shared module and its header).
include("${CMAKE_CURRENT_LIST_DIR}/VirU4DeduzTargets.cmake")
]])
# One SONAME per major version, so a package of the same major version is compatible.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/VirU4DeduzConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/VirU4DeduzConfig.cmake
              ${CMAKE_BINARY_DIR}/package/VirU4DeduzConfigVersion.cmake
  DESTINATION ${cmake_package_dir})

# The pkg-config file, relocatable like the CMake package: its prefix is found from the file's
# own directory (pkg-config's pcfiledir), so the same file serves /usr and a temporary prefix.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(pc_prefix "${CMAKE_INSTALL_PREFIX}")
  set(pc_libdir "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(pc_includedir "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH pc_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" pc_up "${pc_up}")
  set(pc_prefix "\${pcfiledir}/${pc_up}")
  set(pc_libdir "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(pc_includedir "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/viru4deduz.pc @ONLY CONTENT [[
prefix=@pc_prefix@
libdir=@pc_libdir@
includedir=@pc_includedir@

Name: VirU4Deduz
Description: Support loads and node displacements of pipe stress jobs, for host programs
Version: @PROJECT_VERSION@
Libs: -L${libdir} -lVirU4Deduz
Cflags: -I${includedir}
]])
install(FILES ${CMAKE_BINARY_DIR}/package/viru4deduz.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Debian package: cpack -G DEB in the build tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME viru4deduz)
set(CPACK_PACKAGE_VENDOR "VirU4Deduz developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "support loads and displacements from pipe stress jobs")
# The long description in lines of Debian's width; CPack indents each line.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "A loadable module that a piping design program calls to get, for one load"
  "case of a pipe stress job, the support loads at a node or the displacements"
  "of two nodes, read from the analysis output file that the stress analysis"
  "left beside the job."
  "The package holds the module, its header, a CMake package and a pkg-config"
  "file for hosts that link it, and the viru4deduz command, which prints the"
  "same results in a terminal or for a script.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VirU4Deduz maintainers <viru4deduz@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps works out libc and libstdc++ from the binaries; the shlibs file lets other
# packages depend on this one's library the same way.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)

if(VIRU4DEDUZ_TESTS)
  # The command-line host is in the package when the project builds it.
  set(cli_name none)
  if(TARGET viru4deduz)
    set(cli_name viru4deduz)
  endif()
  # Installs into a temporary prefix, builds the example hosts and a pkg-config program against
  # it, and builds the Debian package; cleans up after itself.
  add_test(NAME packaging
    COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging_test.sh
      --source ${PROJECT_SOURCE_DIR}
      --build ${CMAKE_BINARY_DIR}
      --cxx ${CMAKE_CXX_COMPILER}
      --sanitize $<BOOL:${VIRU4DEDUZ_SANITIZE}>
      --dlopen-host $<TARGET_FILE:dlopen_host>
      --module $<TARGET_FILE:VirU4Deduz>
      --cli ${cli_name})
  set_tests_properties(packaging PROPERTIES TIMEOUT 120)
endif()
