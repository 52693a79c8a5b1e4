# Tests of the Windows build that compare it with the Linux build: the
# results of quilve-scan.exe under Wine against those of the Linux
# quilve-scan (QUILVE_LINUX_SCAN, by default that of build/), and the
# installer installed silently into a fresh Wine prefix.
set(QUILVE_LINUX_SCAN "${CMAKE_SOURCE_DIR}/build/src/quilve-scan" CACHE FILEPATH
    "The Linux build's quilve-scan, which the Windows results are compared with")
find_program(BASH_PROGRAM bash)
if(NOT BASH_PROGRAM OR NOT CMAKE_CROSSCOMPILING_EMULATOR OR NOT TARGET quilve-scan)
  return()
endif()
add_test(NAME windows_same_bytes
         COMMAND ${BASH_PROGRAM} "${CMAKE_SOURCE_DIR}/tests/cli/same_bytes_windows.sh" "${QUILVE_LINUX_SCAN}"
                 "${QUILVE_REAL_DATA_DIR}" "${CMAKE_BINARY_DIR}/same-bytes"
                 ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:quilve-scan>)
set_tests_properties(windows_same_bytes PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900
                     FIXTURES_REQUIRED wine_prefix ENVIRONMENT "${quilve_test_environment}")

add_test(NAME windows_installer
         COMMAND ${BASH_PROGRAM} "${CMAKE_SOURCE_DIR}/tests/packaging/windows_installer_test.sh"
                 "${CMAKE_BINARY_DIR}" ${PROJECT_VERSION} "${QUILVE_LINUX_SCAN}" "${QUILVE_REAL_DATA_DIR}"
                 ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(windows_installer PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900
                     ENVIRONMENT "WINEDEBUG=-all")
