# A user's session with the built orv program (under Wine on Win32): create
# a container, fill it, look at it, read payloads back byte for byte,
# rename and remove, with the exit code, standard output and standard error
# of every step checked. Every step runs a fresh process, so each reopens
# what the one before saved.
#
#   cmake -DORV="<emulator;>orv" -DDIRECTORY=dir -DBLOB=file
#         -P container_session.cmake
# DIRECTORY is emptied first; BLOB is any binary file (the module itself
# will do), copied in and stored as a payload. With -DFULL_DEVICE=/dev/full
# (Linux), output that cannot be written must fail the command.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${DIRECTORY})
file(MAKE_DIRECTORY ${DIRECTORY})
file(COPY_FILE ${BLOB} ${DIRECTORY}/blob.bin)
file(SIZE ${DIRECTORY}/blob.bin blob_size)
file(WRITE ${DIRECTORY}/hello.txt "hello\nworld\n")

# expect(<exit code> <exact stdout> <stderr regex> <orv arguments>...)
function(expect code out err)
  execute_process(COMMAND ${ORV} ${ARGN} WORKING_DIRECTORY ${DIRECTORY}
                  RESULT_VARIABLE got_code OUTPUT_VARIABLE got_out
                  ERROR_VARIABLE got_err)
  message("orv ${ARGN}: exit ${got_code}\n${got_out}${got_err}")
  if(NOT got_code STREQUAL code)
    message(FATAL_ERROR "orv ${ARGN}: expected exit code ${code}")
  endif()
  if(NOT got_out STREQUAL out)
    message(FATAL_ERROR "orv ${ARGN}: expected standard output:\n${out}")
  endif()
  if(NOT got_err MATCHES "${err}")
    message(FATAL_ERROR "orv ${ARGN}: standard error does not match: ${err}")
  endif()
endfunction()

# expect_bytes(<file> <orv arguments>...): exit 0, and standard output
# holds exactly the bytes of <file>.
function(expect_bytes file)
  execute_process(COMMAND ${ORV} ${ARGN} WORKING_DIRECTORY ${DIRECTORY}
                  RESULT_VARIABLE got_code
                  OUTPUT_FILE ${DIRECTORY}/out.bin ERROR_VARIABLE got_err)
  if(NOT got_code STREQUAL 0)
    message(FATAL_ERROR "orv ${ARGN}: exit ${got_code}\n${got_err}")
  endif()
  file(SHA256 ${DIRECTORY}/${file} want)
  file(SHA256 ${DIRECTORY}/out.bin got)
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "orv ${ARGN}: output differs from ${file}")
  endif()
endfunction()

function(expect_file name exists)
  if(exists AND NOT EXISTS ${DIRECTORY}/${name})
    message(FATAL_ERROR "${name} is missing")
  elseif(NOT exists AND EXISTS ${DIRECTORY}/${name})
    message(FATAL_ERROR "${name} should not be there")
  endif()
endfunction()

expect(0 "" "^$" create box.orv)
expect(2 "" "^orv: create: box\\.orv: exists already; not replaced\n$"
       create box.orv)
expect(0 "box.orv: container\n" "^$" probe box.orv)
expect(0 "" "^$" tree box.orv)

expect(0 "" "^$" mkdir box.orv docs/notes)
expect(0 "" "^$" put box.orv docs/hello.txt hello.txt)
expect_file(box.bak FALSE)
expect(0 "" "^$" --backup put box.orv bin/blob blob.bin)
expect_file(box.bak TRUE)
expect_file(box.tmp FALSE)

expect(0 "docs\n  notes\n  hello.txt  (12 bytes)\nbin\n  blob  (${blob_size} bytes)\n"
       "^$" tree box.orv)
expect(0 "         -        2  docs\n         -        1  bin\n" "^$"
       ls box.orv)
expect(0 "         -        0  notes\n        12        0  hello.txt\n" "^$"
       ls box.orv /docs)
expect_bytes(hello.txt cat box.orv docs/hello.txt)
expect_bytes(blob.bin cat box.orv bin/blob)

expect(1 "" "^orv: cat: box\\.orv: docs/notes: no payload\n$"
       cat box.orv docs/notes)
expect(1 "" "^orv: ls: box\\.orv: docs/nope/x: no such entry \\(docs/nope is missing\\)\n$"
       ls box.orv docs/nope/x)
expect(1 "" "^orv: mkdir: box\\.orv: docs/notes: exists already\n$"
       mkdir box.orv docs/notes)

expect(0 "" "^$" mv box.orv docs/hello.txt greeting)
expect(2 "" "^orv: mv: box\\.orv: docs/greeting: cannot rename: notes exists there already: E_FAIL \\(0x80004005\\)\n$"
       mv box.orv docs/greeting notes)
expect(0 "" "^$" rm box.orv bin)
expect(1 "" "^orv: rm: box\\.orv: bin: no such entry\n$" rm box.orv bin)
expect(0 "docs\n  notes\n  greeting  (12 bytes)\n" "^$" tree box.orv)
expect_bytes(hello.txt cat box.orv docs/greeting)

expect(2 "" "^orv: ls: missing\\.orv: cannot open the container \\(missing, not accessible, or held by another program\\): E_ACCESSDENIED \\(0x80070005\\)\n$"
       ls missing.orv)
expect(2 "" "^orv: tree: hello\\.txt: not a container, or damaged: E_FAIL \\(0x80004005\\)\n$"
       tree hello.txt)

if(FULL_DEVICE)
  execute_process(COMMAND ${ORV} cat box.orv docs/greeting
                  WORKING_DIRECTORY ${DIRECTORY} RESULT_VARIABLE got_code
                  OUTPUT_FILE ${FULL_DEVICE} ERROR_VARIABLE got_err)
  if(NOT got_code STREQUAL 2 OR
     NOT got_err STREQUAL "orv: cannot write to standard output\n")
    message(FATAL_ERROR "cat to ${FULL_DEVICE}: exit ${got_code}\n${got_err}")
  endif()
endif()
