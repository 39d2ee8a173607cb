# The build machine's tools (mkicon, mkwave, drawdemo, helpc, wavtheme) are their
# own CMake project, tools/, configured with the host compiler into
# ZORVAND_HOST_DIR. scripts/build.sh gives both Windows builds the same tree,
# build/host, so the tools are compiled once for a checkout.
#
# For each tool this sets ZORVAND_HOST_<TOOL> to the program and adds the
# target host_<tool>, which brings it up to date. A rule that runs a tool
# depends on both: the path reruns the rule when the program changed, the
# target builds it first.
set(ZORVAND_HOST_DIR ${CMAKE_BINARY_DIR}/host CACHE PATH "Build tree of the build machine's tools")

foreach(tool mkicon mkwave drawdemo helpc wavtheme)
  string(TOUPPER ${tool} upper)
  set(ZORVAND_HOST_${upper} ${ZORVAND_HOST_DIR}/bin/${tool})
  add_custom_target(host_${tool}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/tools -DBINARY=${ZORVAND_HOST_DIR}
            -DGENERATOR=${CMAKE_GENERATOR} -DTARGET=${tool} -P ${CMAKE_SOURCE_DIR}/cmake/BuildHostTool.cmake
    BYPRODUCTS ${ZORVAND_HOST_${upper}}
    COMMENT "Building the build machine's ${tool}"
    VERBATIM)
endforeach()
