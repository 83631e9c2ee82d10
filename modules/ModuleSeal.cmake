# Every module the program loads carries its own checksum: after each link the
# SHA-256 of the module's bytes is appended to its file as one line,
# "KV-MODULE-SHA256:" and 64 hexadecimal digits (82 bytes with the line's
# end). The system's loader never maps bytes past the parts the headers name,
# so the line changes nothing for it; the program compares the checksum before
# it loads the module (platform/ModuleFile.cpp), so that a module of its full
# size whose bytes are not those it was built with (a copy or update cut off
# on a file system that keeps the size) is refused instead of run. Copies and
# installed modules carry the line with them.
#
# Included: kv_seal_module(target) seals `target` after each link.
# As a script: cmake -DMODULE=file -P ModuleSeal.cmake seals that file (once).

set(KV_MODULE_SEAL_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

if(NOT CMAKE_SCRIPT_MODE_FILE)
  function(kv_seal_module target)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DMODULE=$<TARGET_FILE:${target}> -P ${KV_MODULE_SEAL_SCRIPT}
      VERBATIM)
  endfunction()
  return()
endif()

set(tag "KV-MODULE-SHA256:")
set(line_size 82)
file(SIZE "${MODULE}" size)
if(size GREATER line_size)
  # A module sealed already (the script run again without a new link) is left as it is.
  math(EXPR at "${size} - ${line_size}")
  file(READ "${MODULE}" tail OFFSET ${at} LIMIT 17 HEX)
  string(HEX "${tag}" tag_hex)
  string(TOLOWER "${tail}" tail)
  if(tail STREQUAL tag_hex)
    return()
  endif()
endif()
file(SHA256 "${MODULE}" sum)
file(APPEND "${MODULE}" "${tag}${sum}\n")
