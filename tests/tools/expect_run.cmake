# Runs a program (through the cross-compiling emulator, if any) and checks
# its exit code and output:
#   cmake -DCOMMAND="<emulator;>program;args" -DEXIT_CODE=n
#         [-DSTDOUT=regex] [-DSTDERR=regex] [-DDIRECTORY=dir] -P expect_run.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT DIRECTORY)
  set(DIRECTORY .)
endif()
execute_process(COMMAND ${COMMAND} WORKING_DIRECTORY ${DIRECTORY}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("exit ${code}\nstdout:\n${out}stderr:\n${err}")
if(NOT code STREQUAL EXIT_CODE)
  message(FATAL_ERROR "expected exit code ${EXIT_CODE}, got ${code}")
endif()
if(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
  message(FATAL_ERROR "stdout does not match: ${STDOUT}")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
  message(FATAL_ERROR "stderr does not match: ${STDERR}")
endif()
