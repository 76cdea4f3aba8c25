# Warnings are errors in our own code.
function(vellora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Module code: our warnings, and no exceptions (failures are HRESULTs).
function(vellora_module_code target)
  vellora_warnings(${target})
  target_compile_options(${target} PRIVATE -fno-exceptions)
endfunction()
