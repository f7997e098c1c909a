# Helpers for tests, fuzzers and IDL.

set(KM_WINE_RUN ${KM_ROOT}/bench/wine-run.sh)

# km_test(NAME <name> SOURCES ... LIBS ... [DRIVES L:=path ...] [ARGS ...]
#         [FIXTURES_REQUIRED ...] [RESOURCE_LOCK ...])
# A GoogleTest executable, one CTest test. In the Windows build it runs under
# Wine through the bench wrapper; DRIVES map folders as fixed drives for it.
function(km_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;DRIVES;ARGS;FIXTURES_REQUIRED;RESOURCE_LOCK" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest gtest_main)
  if(KM_NATIVE)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} ${T_ARGS})
  else()
    set(drive_args)
    foreach(d IN LISTS T_DRIVES)
      list(APPEND drive_args --drive ${d})
    endforeach()
    # A GoogleTest run that got to its end says so; a process killed from
    # outside would otherwise pass with exit code 0 under Wine.
    add_test(NAME ${T_NAME} COMMAND ${KM_WINE_RUN} ${drive_args} --expect "^\\[  PASSED  \\]"
             $<TARGET_FILE:${T_NAME}> ${T_ARGS})
  endif()
  # A hang fails the test instead of holding up the whole run.
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
  if(T_FIXTURES_REQUIRED)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES_REQUIRED}")
  endif()
  if(T_RESOURCE_LOCK)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
  endif()
endfunction()

# km_fuzz(NAME <name> SOURCES ... LIBS ... CORPUS <dir>)
# A libFuzzer target (native build only). As a test it replays its corpus and
# then mutates for a bounded number of runs with a fixed seed.
function(km_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT KM_NATIVE)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}.corpus)
  add_test(NAME ${F_NAME}
    COMMAND ${CMAKE_COMMAND} -E env --unset=LD_PRELOAD
            sh -c "mkdir -p '${work}' && exec \"$0\" -seed=1 -runs=20000 -max_len=4096 '${work}' '${F_CORPUS}'"
            $<TARGET_FILE:${F_NAME}>)
endfunction()

# km_idl(<target> <file.idl> [TLB_NAME <name>])
# Runs widl: header, IID file and type library in the binary dir. Sets
# <target>_IDL_HEADER_DIR, <target>_IDL_IID and <target>_IDL_TLB in the parent.
function(km_idl target idl)
  get_filename_component(base ${idl} NAME_WE)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/idl)
  file(MAKE_DIRECTORY ${out})
  add_custom_command(
    OUTPUT ${out}/${base}.h ${out}/${base}_i.c ${out}/${base}.tlb
    COMMAND i686-w64-mingw32-widl -m32 --win32
            -I/usr/include/wine/wine/windows -I/usr/i686-w64-mingw32/include
            -L/usr/lib/i386-linux-gnu/wine/i386-windows
            -h -H ${out}/${base}.h -u -U ${out}/${base}_i.c -t -T ${out}/${base}.tlb
            ${idl_abs}
    COMMAND python3 ${KM_ROOT}/cmake/fix-tlb-libid.py ${idl_abs} ${out}/${base}.tlb
    DEPENDS ${idl_abs} ${KM_ROOT}/cmake/fix-tlb-libid.py
    COMMENT "widl ${base}.idl")
  add_custom_target(${target} DEPENDS ${out}/${base}.h ${out}/${base}_i.c ${out}/${base}.tlb)
  set(${target}_IDL_HEADER_DIR ${out} PARENT_SCOPE)
  set(${target}_IDL_IID ${out}/${base}_i.c PARENT_SCOPE)
  set(${target}_IDL_TLB ${out}/${base}.tlb PARENT_SCOPE)
endfunction()
