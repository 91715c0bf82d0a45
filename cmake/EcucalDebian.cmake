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
