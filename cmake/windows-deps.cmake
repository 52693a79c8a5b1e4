# The libraries of the Windows build, from the prefix scripts/windows-deps
# builds (zlib, libpng, WavPack, Highway, FLTK: static, from the pinned
# archives), the header-only CLI11 and nlohmann-json of the build machine's
# Debian packages, and the Windows system libraries the backends call.
set(QUILVE_WINDOWS_DEPS "${CMAKE_BINARY_DIR}/deps" CACHE PATH
    "Prefix of the Windows build's third-party libraries (made by scripts/windows-deps)")
option(QUILVE_WINDOWS_DEPS_BUILD "Build the prefix with scripts/windows-deps when it is missing" ON)
if(QUILVE_WINDOWS_DEPS_BUILD AND NOT EXISTS "${QUILVE_WINDOWS_DEPS}/.quilve-deps-stamp")
  message(STATUS "Building the third-party libraries into ${QUILVE_WINDOWS_DEPS}")
  execute_process(COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/windows-deps" "${QUILVE_WINDOWS_DEPS}"
                  RESULT_VARIABLE quilve_deps_result)
  if(quilve_deps_result)
    message(FATAL_ERROR "scripts/windows-deps failed")
  endif()
endif()
if(NOT EXISTS "${QUILVE_WINDOWS_DEPS}/.quilve-deps-stamp")
  message(FATAL_ERROR "No third-party prefix at ${QUILVE_WINDOWS_DEPS}: run scripts/windows-deps")
endif()
list(PREPEND CMAKE_FIND_ROOT_PATH "${QUILVE_WINDOWS_DEPS}")

function(quilve_windows_library target header)
  string(MAKE_C_IDENTIFIER "${target}" id)
  find_path(QUILVE_${id}_INCLUDE_DIR ${header} PATHS "${QUILVE_WINDOWS_DEPS}/include" NO_DEFAULT_PATH REQUIRED)
  set(libs)
  foreach(name ${ARGN})
    find_library(QUILVE_${id}_${name}_LIBRARY ${name} PATHS "${QUILVE_WINDOWS_DEPS}/lib" NO_DEFAULT_PATH REQUIRED)
    list(APPEND libs "${QUILVE_${id}_${name}_LIBRARY}")
  endforeach()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${QUILVE_${id}_INCLUDE_DIR}"
                                             INTERFACE_LINK_LIBRARIES "${libs}")
endfunction()

quilve_windows_library(quilve::zlib zlib.h z)
quilve_windows_library(quilve::png png.h png16)
set_property(TARGET quilve::png APPEND PROPERTY INTERFACE_LINK_LIBRARIES quilve::zlib)
quilve_windows_library(quilve::wavpack wavpack/wavpack.h wavpack)
quilve_windows_library(quilve::hwy hwy/highway.h hwy)
# The static FLTK and what it needs of Windows.
quilve_windows_library(quilve::fltk FL/Fl.H fltk)
# FLTK's headers test WIN32, which a strict -std=c++17 does not define.
set_property(TARGET quilve::fltk APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS WIN32)
set_property(TARGET quilve::fltk APPEND PROPERTY INTERFACE_LINK_LIBRARIES
             comctl32 comdlg32 gdi32 ole32 oleaut32 uuid shell32 ws2_32 winspool imm32 gdiplus)
# GLib is not used on Windows.
add_library(quilve::glib INTERFACE IMPORTED GLOBAL)

# CLI11 and nlohmann-json (header-only) through links in the prefix, so that
# no other header of the build machine is seen.
include_directories(SYSTEM "${QUILVE_WINDOWS_DEPS}/include/header-only")

# The system libraries of the backends (shell file operation, registry,
# COM, checksums), for every program.
link_libraries(shell32 ole32 oleaut32 uuid advapi32 shlwapi bcrypt)
# Paths and text are UTF-8 inside the program; the system calls are the
# wide (*W) ones.
add_compile_definitions(UNICODE _UNICODE NOMINMAX)
