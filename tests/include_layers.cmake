# Checks that includes go only downward between the source folders, each a library of its own:
#   encoding < engine < skin < pages/common < ... < pages/base < pages < shell
# A file may include its own folder and any folder below it, never one above.
#   cmake -DSOURCE_DIR=<source root> -P include_layers.cmake
set(_order encoding engine skin pages/common pages/tree pages/tls pages/prompts pages/log
           pages/send pages/workspace pages/settings pages/base pages shell)
set(_faults "")
set(_rank 0)
foreach(_dir IN LISTS _order)
  file(GLOB _files ${SOURCE_DIR}/${_dir}/*.h ${SOURCE_DIR}/${_dir}/*.cpp)
  foreach(_file IN LISTS _files)
    file(STRINGS ${_file} _includes REGEX "^#include \"[a-z_/0-9]+\\.h\"")
    foreach(_line IN LISTS _includes)
      string(REGEX REPLACE "^#include \"(.*)/[^/]*\\.h\".*" "\\1" _target "${_line}")
      list(FIND _order "${_target}" _target_rank)
      if(_target_rank GREATER _rank)
        file(RELATIVE_PATH _rel ${SOURCE_DIR} ${_file})
        string(APPEND _faults "  ${_rel}: ${_line}\n")
      endif()
    endforeach()
  endforeach()
  math(EXPR _rank "${_rank} + 1")
endforeach()
if(_faults)
  message(FATAL_ERROR "Includes against the layers (a folder may only include those below it):\n${_faults}")
endif()
