# cmake -DSETUP=<setup.exe> -DUNINST=<uninst.exe> -DLIMIT=<bytes> -P check_programs_size.cmake
# Every package carries both programs: together they must stay within LIMIT.
file(SIZE ${SETUP} setup_size)
file(SIZE ${UNINST} uninst_size)
math(EXPR total "${setup_size} + ${uninst_size}")
message(STATUS "setup.exe ${setup_size} + uninst.exe ${uninst_size} = ${total} bytes (limit ${LIMIT})")
if(total GREATER LIMIT)
  message(FATAL_ERROR "the setup program and the uninstaller take ${total} bytes, more than ${LIMIT}")
endif()
