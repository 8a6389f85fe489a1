# SPDX-License-Identifier: MIT
# A cross-build takes the header-only libraries (CLI11, nlohmann-json) from the build machine's
# packages. Their own CMake files would add /usr/include, whose C headers are the wrong system's:
# here each gets a folder that holds only its own headers.
function(sha1_host_headers target folder)
  if(TARGET ${target})
    return()
  endif()
  set(root ${PROJECT_BINARY_DIR}/hostheaders/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK /usr/include/${folder} ${root}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${root})
endfunction()

if(CMAKE_CROSSCOMPILING)
  sha1_host_headers(CLI11::CLI11 CLI)
  sha1_host_headers(nlohmann_json::nlohmann_json nlohmann)
endif()
