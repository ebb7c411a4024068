# Runs the built apprun on the sample application in examples/hello from a
# fresh working folder, as a user would from a POSIX shell, and checks what
# it leaves behind and the exit codes.
#   cmake -DAPPRUN=<apprun> -DSAMPLE=<examples/hello> -DWORK=<folder> -P end_to_end.cmake

function(run_apprun folder expected_rc)
  execute_process(COMMAND ${APPRUN} ${ARGN} WORKING_DIRECTORY ${folder}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "apprun ${ARGN}: exit ${rc}, expected ${expected_rc}\n${out}${err}")
  endif()
  set(last_err "${err}" PARENT_SCOPE)
endfunction()

function(expect_file path expected)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "${path} was not written")
  endif()
  file(READ ${path} body)
  if(NOT body STREQUAL expected)
    message(FATAL_ERROR "${path} holds [${body}], expected [${expected}]")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# The definition folder named with DPATH; the procedure's name in another
# letter case than its file; the trace with bit 8.
run_apprun(${WORK} 0 "/DPATH:'${SAMPLE}'" "/RUN:'PrcExec,hello'" /TRACE:8)
expect_file(${WORK}/hello.txt "Hola Hola Hola mundo")
# Read as bytes: a plain read would drop the carriage returns.
file(READ ${WORK}/hello.set settings HEX)
string(HEX "COUNT=3\r\nTEXT$='Hola Hola Hola mundo'\r\n" expected)
if(NOT settings STREQUAL expected)
  message(FATAL_ERROR "hello.set holds ${settings}, expected ${expected}")
endif()
file(READ ${WORK}/PrcLog.txt trace)
if(NOT trace MATCHES "3\tCALL ,SUB.PRX\n1\t I=0\n")
  message(FATAL_ERROR "PrcLog.txt does not trace the call:\n${trace}")
endif()

# Started in the definition folder itself, without DPATH and without trace.
file(COPY ${SAMPLE}/ DESTINATION ${WORK}/app)
run_apprun(${WORK}/app 0 --RUN=PrcExec\ hello)
expect_file(${WORK}/app/hello.txt "Hola Hola Hola mundo")
if(EXISTS ${WORK}/app/PrcLog.txt)
  message(FATAL_ERROR "a trace was written without TRACE bit 8")
endif()

# The system's own codes and messages.
run_apprun(${WORK} 163 "/DPATH:'${SAMPLE}'" "/RUN:'NoSuchKind,x'")
if(NOT last_err MATCHES "Proceso no definido")
  message(FATAL_ERROR "no message 0031 for an unknown kind:\n${last_err}")
endif()
run_apprun(${WORK} 163 "/DPATH:'${SAMPLE}'" /RUN:PrcExec,hello)
run_apprun(${WORK} 148 "/DPATH:'${SAMPLE}'" "/RUN:'Reorg,x'")
if(NOT last_err MATCHES "DataFileReorgWiz")
  message(FATAL_ERROR "no wizard name for Reorg:\n${last_err}")
endif()
run_apprun(${WORK} 164 "/DPATH:'${SAMPLE}'" "/RUN:'PrcExec,nothing'")
file(WRITE ${WORK}/bad.txt "\x01\xff binary [ line\n")
run_apprun(${WORK} 147 "/DPATH:'${SAMPLE}'" /INPUT:bad.txt "/RUN:'PrcExec,hello'")

# Without a database parameter file the log-in form is shown; with nobody
# to type into it (no script) it is cancelled and the run ends there.
file(MAKE_DIRECTORY ${WORK}/nodb)
file(COPY ${SAMPLE}/HELLO.PRX ${SAMPLE}/sub.prx DESTINATION ${WORK}/nodb)
run_apprun(${WORK}/nodb 122 "/RUN:'PrcExec,hello'")
if(NOT last_err MATCHES "Acceso a Datos")
  message(FATAL_ERROR "no log-in form for a missing sqlparams.dat:\n${last_err}")
endif()
if(EXISTS ${WORK}/nodb/hello.txt)
  message(FATAL_ERROR "the procedure ran without a database")
endif()

file(REMOVE_RECURSE ${WORK})
