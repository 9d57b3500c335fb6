# Installing the module and packaging it: the shared module with its SONAME links, the public
# header, a CMake package (find_package(VirU4Deduz) gives the imported target
# VirU4Deduz::VirU4Deduz), a pkg-config file, and Debian packages through CPack.
# The static libraries (the module's core, the writer) are build-time parts and stay out.
#
# Every installed file belongs to one of four components, one Debian package each:
#   runtime      libviru4deduz0     the shared module and its SONAME link
#   jobapi       libviru4deduzjob0  the job library (the job as values) and its SONAME link
#   development  libviru4deduz-dev  the headers, the .so links, the CMake package, the pkg-config
#                                   files and the example programs' sources (examples/)
#   command      viru4deduz         the command, its man page, bash completion and sample job
#                                   (tools/cli, tools/sample)
#   python       python3-viru4deduz the Python package (python/), when it is built
include(CMakePackageConfigHelpers)

target_include_directories(VirU4Deduz PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS VirU4Deduz EXPORT VirU4DeduzTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/VirU4Deduz.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/VirU4Deduz COMPONENT development)

# The job library: its own SONAME, which changes with the major version when its interface does.
target_include_directories(VirU4DeduzJob PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS VirU4DeduzJob EXPORT VirU4DeduzTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT jobapi NAMELINK_COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/Job.h
              ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/Envelope.h
              ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/Compare.h
              ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/FileReport.h
              ${PROJECT_SOURCE_DIR}/include/VirU4Deduz/HostSettings.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/VirU4Deduz COMPONENT development)

# The CMake package. The targets file finds its prefix from where it lies, so an installed tree
# can move.
set(cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/VirU4Deduz)
install(EXPORT VirU4DeduzTargets NAMESPACE VirU4Deduz:: DESTINATION ${cmake_package_dir}
  COMPONENT development)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/VirU4DeduzConfig.cmake @ONLY CONTENT [[
# VirU4Deduz: the module that gives support loads and node displacements of pipe stress jobs.
# Provides the imported targets VirU4Deduz::VirU4Deduz (the shared module and its header) and
# VirU4Deduz::VirU4DeduzJob (the job library, Job.h).
include("${CMAKE_CURRENT_LIST_DIR}/VirU4DeduzTargets.cmake")
]])
# One SONAME per major version, so a package of the same major version is compatible.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/VirU4DeduzConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/VirU4DeduzConfig.cmake
              ${CMAKE_BINARY_DIR}/package/VirU4DeduzConfigVersion.cmake
  DESTINATION ${cmake_package_dir} COMPONENT development)

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
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/viru4deduz-job.pc @ONLY CONTENT [[
prefix=@pc_prefix@
libdir=@pc_libdir@
includedir=@pc_includedir@

Name: VirU4Deduz job library
Description: A pipe stress job's load cases, support loads and displacements, as values
Version: @PROJECT_VERSION@
Libs: -L${libdir} -lVirU4DeduzJob
Cflags: -I${includedir}
]])
install(FILES ${CMAKE_BINARY_DIR}/package/viru4deduz.pc ${CMAKE_BINARY_DIR}/package/viru4deduz-job.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# The Debian packages: cpack -G DEB in the build tree makes one per component.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime jobapi development command)
if(VIRU4DEDUZ_PYTHON_BUILT)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
set(CPACK_PACKAGE_NAME viru4deduz)
set(CPACK_PACKAGE_VENDOR "VirU4Deduz developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Debian's modes whatever the umask of the machine that packs.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VirU4Deduz maintainers <maintainers@viru4deduz.org>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps works out libc and libstdc++ from the binaries; the shlibs file lets other
# packages depend on the module's package the same way, on any later version of the same SONAME.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libviru4deduz${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_JOBAPI_PACKAGE_NAME libviru4deduzjob${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libviru4deduz-dev)
set(CPACK_DEBIAN_COMMAND_PACKAGE_NAME viru4deduz)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_JOBAPI_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_COMMAND_PACKAGE_SECTION science)
# The command's completion is a file that bash-completion loads; without it the command works,
# without completing.
set(CPACK_DEBIAN_COMMAND_PACKAGE_RECOMMENDS bash-completion)
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-viru4deduz)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# The extension is built for one Python version (its file name says which) and links the job
# library of this very version; dpkg-shlibdeps would look for the job library's package among
# the installed ones, so the dependencies are said here.
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
if(VIRU4DEDUZ_PYTHON_BUILT)
  math(EXPR python_next_minor "${VIRU4DEDUZ_PYTHON_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "${CPACK_DEBIAN_JOBAPI_PACKAGE_NAME} (= ${PROJECT_VERSION}), libc6, libstdc++6, python3 (>= ${VIRU4DEDUZ_PYTHON_VERSION_MAJOR}.${VIRU4DEDUZ_PYTHON_VERSION_MINOR}~), python3 (<< ${VIRU4DEDUZ_PYTHON_VERSION_MAJOR}.${python_next_minor}), python3-numpy")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS python3-pandas)
endif()
# dpkg runs ldconfig once at the end of a run for every package that activates its trigger, as
# a package with a shared library in the loader's directories must. (CPack's own maintainer
# scripts run ldconfig as well, which lintian warns of: harmless, and CPack cannot leave them out
# but for scripts of our own that would do nothing, which lintian warns of too.)
file(WRITE ${CMAKE_BINARY_DIR}/package/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package/triggers)
set(CPACK_DEBIAN_JOBAPI_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package/triggers)
# The development files name the module's exact file, so they go with that very version. The
# command holds the module's code itself and needs no package of it.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${PROJECT_VERSION}), ${CPACK_DEBIAN_JOBAPI_PACKAGE_NAME} (= ${PROJECT_VERSION})")

# Each description's first line is the package's synopsis; CPack indents the lines that follow,
# which keep within Debian's width.
set(about_module
  "A loadable module that a piping design program calls to get, for one load"
  "case of a pipe stress job, the support loads at a node or the displacements"
  "of two nodes, read from the output file that the stress analysis left"
  "beside the job.")
string(JOIN "\n" CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "support loads and displacements from pipe stress jobs - module"
  ${about_module}
  "This package holds the shared module, libVirU4Deduz.so.${PROJECT_VERSION_MAJOR}.")
string(JOIN "\n" CPACK_DEBIAN_JOBAPI_DESCRIPTION
  "support loads and displacements from pipe stress jobs - job library"
  ${about_module}
  "This package holds the job library, libVirU4DeduzJob.so.${PROJECT_VERSION_MAJOR}: the same"
  "answers as values, for programs that link it, without the module's dialogs"
  "and messages.")
string(JOIN "\n" CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "support loads and displacements from pipe stress jobs - development files"
  ${about_module}
  "This package holds what a program needs to link the module or the job"
  "library, or to load the module with dlopen: the headers, a CMake package"
  "(find_package(VirU4Deduz)), pkg-config files (viru4deduz, viru4deduz-job)"
  "and the sources of three example programs.")
string(JOIN "\n" CPACK_DEBIAN_COMMAND_DESCRIPTION
  "support loads and displacements from pipe stress jobs - command"
  "The viru4deduz command answers what a host program asks the VirU4Deduz"
  "module, from a terminal or a script: the loads at a node or at every"
  "support, the displacements of nodes, the load cases with their labels, and"
  "what an output file holds, as a table, CSV or JSON. It holds the module's"
  "code itself. A sample job comes with it.")

string(JOIN "\n" CPACK_DEBIAN_PYTHON_DESCRIPTION
  "support loads and displacements from pipe stress jobs - Python 3"
  ${about_module}
  "This package holds the Python package viru4deduz: a job's load cases, the"
  "loads at its supports and the displacements of its nodes as numpy arrays,"
  "and pandas frames of the support loads (with python3-pandas).")

# Each package's copyright file and changelog (packaging/), in /usr/share/doc/<package>. They go
# into the packages only: a component install, as CPack makes, takes EXCLUDE_FROM_ALL files, and
# cmake --install of the whole tree does not.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^viru4deduz \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog begins '${changelog_top}': add an entry for ${PROJECT_VERSION}")
endif()
viru4deduz_gzip_for_install(viru4deduz_debian_changelog ${PROJECT_SOURCE_DIR}/packaging/changelog
  ${CMAKE_BINARY_DIR}/package/changelog.gz)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
include(CPack)

if(VIRU4DEDUZ_TESTS)
  # The command-line host is in the package when the project builds it.
  set(cli_name none)
  if(TARGET viru4deduz)
    set(cli_name viru4deduz)
  endif()
  # Installs into a temporary prefix, builds the example hosts and a pkg-config program against
  # it, builds the Debian packages, runs the man page's examples with the packed command and
  # sample, and checks the packages with lintian; cleans up after itself.
  add_test(NAME packaging
    COMMAND ${PROJECT_SOURCE_DIR}/tests/packaging_test.sh
      --source ${PROJECT_SOURCE_DIR}
      --build ${CMAKE_BINARY_DIR}
      --cxx ${CMAKE_CXX_COMPILER}
      --sanitize $<BOOL:${VIRU4DEDUZ_SANITIZE}>
      --dlopen-host $<TARGET_FILE:dlopen_host>
      --module $<TARGET_FILE:VirU4Deduz>
      --cli ${cli_name})
  set_tests_properties(packaging PROPERTIES TIMEOUT 300)
endif()
