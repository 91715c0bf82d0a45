# Installs the library, its headers under include/ecucal and a CMake package,
# so that consumers can find_package(ecucal CONFIG) and link ecucal::ecucal.
include(CMakePackageConfigHelpers)

install(TARGETS ecucal EXPORT ecucalTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/"
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ecucal
        FILES_MATCHING PATTERN "*.h")
install(FILES "${ECUCAL_UMBRELLA_HEADER}" DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ecucal)

set(ECUCAL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ecucal)
install(EXPORT ecucalTargets NAMESPACE ecucal:: DESTINATION ${ECUCAL_CMAKE_DIR})
configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/ecucalConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/ecucalConfig.cmake"
  INSTALL_DESTINATION ${ECUCAL_CMAKE_DIR})
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/ecucalConfigVersion.cmake" COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/ecucalConfig.cmake"
              "${PROJECT_BINARY_DIR}/ecucalConfigVersion.cmake"
              "${PROJECT_SOURCE_DIR}/cmake/FindTinyXML.cmake"
        DESTINATION ${ECUCAL_CMAKE_DIR})
