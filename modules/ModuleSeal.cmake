# Every module the program loads carries its own checksum, so that a module
# whose mapped bytes are not those it was built with (a copy or update cut off
# on a file system that keeps the size) is refused instead of run
# (platform/ModuleFile.cpp). The checksum is the SHA-256 of the bytes the
# system's loader maps, every loadable segment as it lies in the file, with
# the checksum itself and the three fields of the file header that say where
# the section table lies counted as zero. It is kept inside the module, in a
# note of its first loaded segment (ModuleSealNote.cpp), and written there by
# kv-module-seal (ModuleSealTool.cpp) after each link. `strip`, `objcopy
# --strip-debug`, `install -s` and `cmake --install --strip` remove or move
# only what the loader does not map, so a stripped module keeps its seal.
#
# Included: kv_seal_module(target) seals `target` after each link.

set(KV_MODULE_SEAL_DIR ${CMAKE_CURRENT_LIST_DIR})

if(NOT TARGET kv_module_seal)
  add_executable(kv_module_seal ${KV_MODULE_SEAL_DIR}/ModuleSealTool.cpp)
  target_link_libraries(kv_module_seal PRIVATE platform)
  # A build tool: kept out of the program's folder.
  set_target_properties(kv_module_seal PROPERTIES OUTPUT_NAME kv-module-seal AUTOMOC OFF
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tools)
endif()

function(kv_seal_module target)
  target_sources(${target} PRIVATE ${KV_MODULE_SEAL_DIR}/ModuleSealNote.cpp)
  add_dependencies(${target} kv_module_seal)
  add_custom_command(TARGET ${target} POST_BUILD COMMAND kv_module_seal $<TARGET_FILE:${target}> VERBATIM)
endfunction()
