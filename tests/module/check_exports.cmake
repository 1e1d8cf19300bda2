# Compares the built libraries' export and import tables with the intended
# ones; an extra or missing symbol is an interface change. Run natively with
#   cmake -DTARGET_KIND=win32 -DOBJDUMP=... -DMODULE=orvfs.dll
#         -DKERNEL=kv3kernel.dll -P check_exports.cmake
#   cmake -DTARGET_KIND=linux -DNM=... -DREADELF=... -DMODULE=liborvfs.so
#         -DKERNEL=libkv3kernel.so -P check_exports.cmake

cmake_minimum_required(VERSION 3.25)

set(interfaces IJInStream IJOutStream IJPersist INonDelegatingUnknown
    IObjectList IORVEntry IORVFileSystem IORVList IORVRoot IORVStream ITracker)
set(kernel_functions Kv3GetFileSystem Kv3LoadModule Kv3RegisterFileSystem
    Kv3ReleaseFileSystem)

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

# Reports the difference of two lists under `label`.
function(compare_lists label expected actual)
  list(SORT expected)
  list(SORT actual)
  if(NOT expected STREQUAL actual)
    set(missing ${expected})
    set(extra ${actual})
    if(actual)
      list(REMOVE_ITEM missing ${actual})
    endif()
    if(expected)
      list(REMOVE_ITEM extra ${expected})
    endif()
    set(failures "${failures}  ${label}: missing [${missing}] extra [${extra}]\n"
        PARENT_SCOPE)
  endif()
endfunction()

function(run_tool output)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE code
                  ERROR_VARIABLE errors)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${code}): ${errors}")
  endif()
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

# Win32: the names of objdump -p's export table. (Square brackets are taken
# out before the text becomes a list: CMake does not split a list inside
# them.)
function(pe_exports dll output)
  run_tool(text ${OBJDUMP} -p ${dll})
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table
         "${text}")
  # Drop the heading. (REGEX REPLACE would not do: CMake matches "^" again
  # after every replacement.)
  string(FIND "${table}" "\n" heading_end)
  math(EXPR body_start "${heading_end} + 1")
  string(SUBSTRING "${table}" ${body_start} -1 table)
  string(REGEX REPLACE "\t\\[ *[0-9]+\\] " "" table "${table}")
  string(REGEX MATCHALL "[^\n]+" names "${table}")
  set(${output} "${names}" PARENT_SCOPE)
endfunction()

# Sets <output>_dlls to the imported DLL names (lower case) and
# <output>_<dll> to the names imported from each.
function(pe_imports dll output)
  run_tool(text ${OBJDUMP} -p ${dll})
  string(REGEX MATCHALL "DLL Name: [^\n]+\n[^\n]*\n([^\n]+\n)*" blocks
         "${text}")
  set(dlls "")
  foreach(block IN LISTS blocks)
    string(REGEX MATCH "DLL Name: ([^\n]+)" _ "${block}")
    string(TOLOWER "${CMAKE_MATCH_1}" name)
    list(APPEND dlls "${name}")
    string(REGEX MATCHALL "\n\t[0-9a-f]+\t +[0-9]+  [^\n]+" lines "${block}")
    set(functions "")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE ".*[0-9]  " "" function "${line}")
      list(APPEND functions "${function}")
    endforeach()
    set(${output}_${name} "${functions}" PARENT_SCOPE)
  endforeach()
  set(${output}_dlls "${dlls}" PARENT_SCOPE)
endfunction()

# Linux: the defined symbols of the dynamic symbol table.
function(elf_defined_symbols library output)
  run_tool(text ${NM} -D --defined-only --format=posix ${library})
  string(REGEX MATCHALL "[^\n]+" lines "${text}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE " .*" "" name "${line}")
    list(APPEND names "${name}")
  endforeach()
  set(${output} "${names}" PARENT_SCOPE)
endfunction()

function(elf_dynamic_entries library tag output)
  run_tool(text ${READELF} -d ${library})
  string(REGEX MATCHALL "\\(${tag}\\)[^\n]*" entries "${text}")
  string(REGEX REPLACE "[^;]*\\[([^];]*)\\]" "\\1" values "${entries}")
  set(${output} "${values}" PARENT_SCOPE)
endfunction()

if(TARGET_KIND STREQUAL "win32")
  set(expected "")
  foreach(type IN LISTS interfaces)
    list(APPEND expected "??0${type}@@QAE@XZ" "??0${type}@@QAE@ABU0@@Z"
         "??4${type}@@QAEAAU0@ABU0@@Z")
  endforeach()
  pe_exports(${MODULE} module_exports)
  compare_lists("orvfs.dll exports" "${expected}" "${module_exports}")

  pe_imports(${MODULE} imports)
  if(NOT "kv3kernel.dll" IN_LIST imports_dlls)
    fail("orvfs.dll does not import from kv3kernel.dll")
  endif()
  compare_lists("orvfs.dll imports from kv3kernel.dll"
                "Kv3RegisterFileSystem" "${imports_kv3kernel.dll}")
  # The run-time libraries are linked in: only system DLLs and the kernel
  # may be imported.
  foreach(dll IN LISTS imports_dlls)
    if(dll MATCHES "^(libgcc|libstdc|libwinpthread|zlib|libz)")
      fail("orvfs.dll imports the run-time DLL ${dll}")
    endif()
  endforeach()

  pe_exports(${KERNEL} kernel_exports)
  compare_lists("kv3kernel.dll exports" "${kernel_functions}"
                "${kernel_exports}")
elseif(TARGET_KIND STREQUAL "linux")
  # The module exports nothing: its constructor runs through the dynamic
  # section, and hosts reach it only through the registered object.
  elf_defined_symbols(${MODULE} module_symbols)
  compare_lists("liborvfs.so defined dynamic symbols" "" "${module_symbols}")
  elf_dynamic_entries(${MODULE} NEEDED module_needed)
  if(NOT "libkv3kernel.so" IN_LIST module_needed)
    fail("liborvfs.so does not need libkv3kernel.so (needs: ${module_needed})")
  endif()

  elf_dynamic_entries(${KERNEL} SONAME kernel_soname)
  compare_lists("libkv3kernel.so SONAME" "libkv3kernel.so" "${kernel_soname}")
  elf_defined_symbols(${KERNEL} kernel_symbols)
  compare_lists("libkv3kernel.so defined dynamic symbols" "${kernel_functions}"
                "${kernel_symbols}")
else()
  message(FATAL_ERROR "TARGET_KIND must be win32 or linux")
endif()

if(failures)
  message(FATAL_ERROR "Export check failed:\n${failures}")
endif()
message(STATUS "Exports and imports as intended")
