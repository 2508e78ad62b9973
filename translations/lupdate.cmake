# Keeps translations/quillet_en.ts in step with the program's texts.
#   cmake -DLUPDATE=<lupdate> -DSOURCE_DIR=<source root> [-DCHECK_DIR=<scratch dir>] -P lupdate.cmake
# Without CHECK_DIR the .ts is updated in place: new texts arrive unfinished, gone ones are dropped.
# With CHECK_DIR a copy is updated there instead, and the run fails when the copy gained a text
# with no translation or lost one, i.e. when the committed .ts is not current.
set(_ts ${SOURCE_DIR}/translations/quillet_en.ts)
set(_dirs skin shell pages encoding)
# The source root is the include path, as for the compiler: lupdate needs the headers to know
# each class's namespace, which is part of its translation context.
set(_options -locations none -source-language zh_CN -target-language en -I ${SOURCE_DIR})
if(NOT CHECK_DIR)
  execute_process(COMMAND ${LUPDATE} -silent ${_options} -no-obsolete ${_dirs} -ts ${_ts}
                  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${_rc})")
  endif()
  return()
endif()

file(MAKE_DIRECTORY ${CHECK_DIR})
file(COPY_FILE ${_ts} ${CHECK_DIR}/quillet_en.ts)
execute_process(COMMAND ${LUPDATE} -silent ${_options} ${_dirs} -ts ${CHECK_DIR}/quillet_en.ts
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${_rc})")
endif()
file(READ ${CHECK_DIR}/quillet_en.ts _updated)
# Untranslated texts (new or already there) show as unfinished; texts gone from the sources as
# vanished or obsolete.
string(REGEX MATCHALL "<source>[^<]*</source>[^<]*<translation type=\"(unfinished|vanished|obsolete)\"" _stale "${_updated}")
if(_stale)
  string(REPLACE ";" "\n" _list "${_stale}")
  message(FATAL_ERROR "translations/quillet_en.ts is not current with the sources:\n${_list}\n"
                      "Run: cmake --build <build dir> --target update_translations, then translate "
                      "the unfinished texts.")
endif()
message(STATUS "translations/quillet_en.ts is current")
