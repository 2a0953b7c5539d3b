# Builds the Debian package of the build in BUILD_DIR into OUTPUT afresh and checks it as
# Debian's archive would: lintian must find no error and no warning, and the package must
# recommend the Wayland platform plugin, without which a Wayland session runs the program
# through XWayland.
file(REMOVE_RECURSE ${OUTPUT})
execute_process(COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUTPUT}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(GLOB packages ${OUTPUT}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${OUTPUT}, found: ${packages}")
endif()

execute_process(COMMAND ${LINTIAN} --fail-on error,warning --no-tag-display-limit ${packages}
    RESULT_VARIABLE lintian_result)
if(NOT lintian_result EQUAL 0)
    message(FATAL_ERROR "lintian found errors or warnings in ${packages}")
endif()

execute_process(COMMAND ${DPKG_DEB} --field ${packages} Recommends
    OUTPUT_VARIABLE recommends OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
if(NOT recommends MATCHES "(^|, )qt6-wayland(,|$)")
    message(FATAL_ERROR "the package recommends \"${recommends}\", not qt6-wayland")
endif()
