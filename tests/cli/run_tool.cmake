# One orvane-tool check, run by ctest in a fresh folder WORKDIR:
#   COPY        "from|to|from|to..."  files copied into WORKDIR first (to = new name)
#   ARGS        "arg|arg..."          the command line
#   STATUS      expected exit status
#   STDOUT      regular expression the whole standard output must match
#   STDERR      regular expression for standard error (which must then be one line);
#               without it standard error must be empty
#   THEN_ARGS, THEN_STDOUT            a second command (expected to succeed) and its output
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")

if(COPY)
  string(REPLACE "|" ";" copies "${COPY}")
  list(LENGTH copies n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET copies ${i} from)
    list(GET copies ${j} to)
    file(COPY_FILE "${from}" "${WORKDIR}/${to}")
  endforeach()
endif()

function(run_tool args_text status_var out_var err_var)
  string(REPLACE "|" ";" args "${args_text}")
  execute_process(COMMAND "${TOOL}" ${args} WORKING_DIRECTORY "${WORKDIR}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${status_var} "${status}" PARENT_SCOPE)
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

run_tool("${ARGS}" status out err)
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\nstdout: ${out}\nstderr: ${err}")
endif()
if(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
  message(FATAL_ERROR "stdout does not match '${STDOUT}':\n${out}")
endif()
if(DEFINED STDERR)
  string(REGEX MATCHALL "\n" lines "${err}")
  list(LENGTH lines line_count)
  if(NOT err MATCHES "${STDERR}" OR NOT line_count EQUAL 1)
    message(FATAL_ERROR "stderr is not one line matching '${STDERR}':\n${err}")
  endif()
elseif(NOT err STREQUAL "")
  message(FATAL_ERROR "unexpected stderr:\n${err}")
endif()

if(THEN_ARGS)
  run_tool("${THEN_ARGS}" status out err)
  if(NOT status EQUAL 0 OR NOT out MATCHES "${THEN_STDOUT}")
    message(FATAL_ERROR "second command: status ${status}\nstdout: ${out}\nstderr: ${err}")
  endif()
endif()
