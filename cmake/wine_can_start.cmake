# tonegen_wine_can_start(LOADER RESULT [WHY]): whether the wine loader LOADER
# starts on this machine. RESULT is set to TRUE or FALSE, WHY (if named) to
# what went wrong. The 32-bit loader is itself a 32-bit program, which a
# kernel without 32-bit support refuses ("Exec format error"); where the
# loader starts, so do the programs of its width. The shell runs it: started
# directly, a binary the kernel refuses would be handed to the shell as a
# script, which hides the kernel's answer behind a syntax error.
function(tonegen_wine_can_start loader result)
  execute_process(COMMAND sh -c "exec \"$0\" --version" ${loader}
                  RESULT_VARIABLE status OUTPUT_VARIABLE version ERROR_VARIABLE error)
  string(STRIP "${version}" version)
  if(status STREQUAL "0" AND version MATCHES "^wine-")
    set(${result} TRUE PARENT_SCOPE)
    set(why "")
  else()
    set(${result} FALSE PARENT_SCOPE)
    string(STRIP "${error}" error)
    set(why "${status}")
    if(error)
      string(APPEND why ": ${error}")
    elseif(status STREQUAL "0")
      set(why "'${version}' is not a wine version")
    endif()
  endif()
  if(ARGC GREATER 2)
    set(${ARGV2} "${why}" PARENT_SCOPE)
  endif()
endfunction()
