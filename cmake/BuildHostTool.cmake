# Brings one of the build machine's tools up to date in the shared tree of the
# tools project, configuring the tree the first time. Builds of both Windows
# targets and parallel rules of one build may ask at once: the lock lets one
# build the tree at a time.
#   cmake -DSOURCE=tools -DBINARY=tree -DGENERATOR=name -DTARGET=tool -P BuildHostTool.cmake
file(MAKE_DIRECTORY ${BINARY})
file(LOCK ${BINARY}/.lock)
if(NOT EXISTS ${BINARY}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    file(REMOVE ${BINARY}/CMakeCache.txt)
    message(FATAL_ERROR "Configuring the build machine's tools in ${BINARY} failed")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target ${TARGET} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Building the build machine's ${TARGET} in ${BINARY} failed")
endif()
