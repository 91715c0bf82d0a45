# Debian packages through CPack (cpack -G DEB in the build folder, or make
# package): "ecucal" with the library, its headers, the CMake package and the
# command, and "python3-ecucal" with the Python module when it is built.
# Runtime dependencies come from dpkg-shlibdeps; the headers and the CMake
# package need the development packages of the public dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ecucal)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "ecucal developers <ecucal@example.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library is found here while the packages are put together; it is not
# installed on the build machine.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${PROJECT_BINARY_DIR}/src")
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)

set(CPACK_COMPONENTS_ALL ecucal)
set(CPACK_DEBIAN_ECUCAL_PACKAGE_NAME ecucal)
set(CPACK_DEBIAN_ECUCAL_PACKAGE_DEPENDS
    "libtinyxml-dev, libboost-serialization-dev, libmuparser-dev")
set(CPACK_COMPONENT_ECUCAL_DESCRIPTION
    "Engine control unit calibration library, headers, CMake package and the ecucal command")

if(TARGET ecucal_python)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-ecucal)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "ecucal (= ${PROJECT_VERSION}), ${ECUCAL_PYTHON_DEPENDS}")
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION "Python module of the ecucal calibration library")
endif()

include(CPack)

# Builds the packages, installs them into a scratch root with dpkg, builds the
# consumer project against that root, runs the installed command (and
# imports the installed module), then removes the packages again.
if(ECUCAL_BUILD_TESTS AND TARGET ecucal_cli)
  find_program(ECUCAL_DPKG dpkg)
  find_program(ECUCAL_DPKG_DEB dpkg-deb)
  find_program(ECUCAL_CPACK cpack HINTS "${CMAKE_COMMAND}/..")
  if(ECUCAL_DPKG AND ECUCAL_DPKG_DEB)
    add_test(NAME package.debian
      COMMAND ${CMAKE_COMMAND}
        -DBUILD_DIR=${PROJECT_BINARY_DIR}
        -DWORK_DIR=${PROJECT_BINARY_DIR}/tests/debian
        -DVERSION=${PROJECT_VERSION}
        -DCPACK=${ECUCAL_CPACK}
        -DDPKG=${ECUCAL_DPKG}
        -DDPKG_DEB=${ECUCAL_DPKG_DEB}
        -DCONSUMER_SOURCE_DIR=${PROJECT_SOURCE_DIR}/tests/package/consumer
        -DEXAMPLES_DIR=${PROJECT_SOURCE_DIR}/examples
        -DCXX_COMPILER=${CMAKE_CXX_COMPILER}
        -DEXTRA_FLAGS=$<IF:$<BOOL:${ECUCAL_SANITIZE}>,-fsanitize=address$<SEMICOLON>-fsanitize=undefined,>
        -DPYTHON=$<$<TARGET_EXISTS:ecucal_python>:${Python3_EXECUTABLE}>
        "-DPYTHON_PRELOAD=${ECUCAL_PYTHON_PRELOAD}"
        -P ${PROJECT_SOURCE_DIR}/tests/package/RunDebian.cmake)
    set_tests_properties(package.debian PROPERTIES TIMEOUT 900)
  else()
    add_test(NAME package.debian
      COMMAND ${CMAKE_COMMAND} -E echo "dpkg-deb not found: the Debian packages are not tested")
    set_tests_properties(package.debian PROPERTIES SKIP_REGULAR_EXPRESSION "dpkg-deb not found")
  endif()
endif()
