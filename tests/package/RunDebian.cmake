# Builds the Debian packages of BUILD_DIR, installs them into a scratch root
# (dpkg --root, no chroot: the maintainer scripts only call ldconfig, which a
# stub answers so the host's cache is left alone), builds and runs the
# consumer project against that root, runs the installed command on the
# sample, imports the installed Python module when there is one, and purges
# the packages, which must leave nothing behind.
file(REMOVE_RECURSE "${WORK_DIR}")
set(out "${WORK_DIR}/out")
set(root "${WORK_DIR}/root")
set(stubs "${WORK_DIR}/bin")

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGV}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# Packages. Fast compression: the sanitizer build's library is large.
run(${CPACK} -G DEB -B "${out}" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip
    --config "${BUILD_DIR}/CPackConfig.cmake")
run(${DPKG} --print-architecture)
string(STRIP "${output}" arch)
set(packages "${out}/ecucal_${VERSION}_${arch}.deb")
if(PYTHON)
  list(APPEND packages "${out}/python3-ecucal_${VERSION}_${arch}.deb")
endif()
foreach(package IN LISTS packages)
  if(NOT EXISTS "${package}")
    file(GLOB made "${out}/*.deb")
    message(FATAL_ERROR "${package} was not built; cpack made: ${made}")
  endif()
  run(${DPKG_DEB} --field "${package}" Depends)
  # dpkg-shlibdeps named the C library the binaries link.
  if(NOT output MATCHES "libc6 \\(>=")
    message(FATAL_ERROR "${package} lacks its shared library dependencies: ${output}")
  endif()
endforeach()

# A scratch root with an empty package database.
file(MAKE_DIRECTORY "${root}/var/lib/dpkg/info" "${root}/var/lib/dpkg/updates" "${stubs}")
file(TOUCH "${root}/var/lib/dpkg/status")
file(WRITE "${stubs}/ldconfig" "#!/bin/sh\nexit 0\n")
file(CHMOD "${stubs}/ldconfig" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(dpkg ${CMAKE_COMMAND} -E env "PATH=${stubs}:$ENV{PATH}" ${DPKG} "--root=${root}"
    --log=/dev/null --force-depends --force-script-chrootless)
run(${dpkg} --install ${packages})

# The consumer project against the installed CMake package.
string(REPLACE ";" " " flags "${EXTRA_FLAGS}")
run(${CMAKE_COMMAND} -S "${CONSUMER_SOURCE_DIR}" -B "${WORK_DIR}/consumer"
    "-DCMAKE_PREFIX_PATH=${root}/usr" -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${flags}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/consumer")
run("${WORK_DIR}/consumer/consumer")

# The installed command, on a copy of the sample (check writes a cache file).
file(COPY "${EXAMPLES_DIR}/" DESTINATION "${WORK_DIR}/examples")
run("${root}/usr/bin/ecucal" --help)
if(NOT output MATCHES "check")
  message(FATAL_ERROR "ecucal --help lists no verbs:\n${output}")
endif()
run("${root}/usr/bin/ecucal" check "${WORK_DIR}/examples/kestrel.xml")

if(PYTHON)
  set(env "PYTHONPATH=${root}/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1)
  if(PYTHON_PRELOAD)
    list(APPEND env "LD_PRELOAD=${PYTHON_PRELOAD}" "ASAN_OPTIONS=detect_leaks=0")
  endif()
  run(${CMAKE_COMMAND} -E env ${env} ${PYTHON} -c "
import ecucal
assert ecucal.__file__.startswith('${root}'), ecucal.__file__
d = ecucal.Definition.load('${WORK_DIR}/examples/kestrel.xml')
rom = ecucal.Rom(d, '${WORK_DIR}/examples/kestrel.rom.bin')
assert rom.table('Fuel Map A').values.shape == (16, 16)
")
endif()

run(${dpkg} --purge python3-ecucal ecucal)
file(GLOB_RECURSE left LIST_DIRECTORIES false "${root}/usr/*")
if(left)
  message(FATAL_ERROR "removing the packages left files behind: ${left}")
endif()
