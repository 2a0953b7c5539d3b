# Installs the build in BUILD_DIR into PREFIX after removing what an earlier install left
# there, so the prefix holds exactly what the install rules put into it now.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    COMMAND_ERROR_IS_FATAL ANY)
