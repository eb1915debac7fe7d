# Build helpers shared by every folder: warnings, sanitizers, tests, embedded resources.

set(SETUP_WARNINGS -Wall -Wextra -Wformat=2 -Wshadow -Wnon-virtual-dtor)

# Warnings, readable __FILE__ paths (they appear in the log) and the exception model
# that lets guarded bodies catch hardware faults turned into exceptions.
function(setup_target_options target)
    target_compile_options(${target} PRIVATE ${SETUP_WARNINGS}
        "-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=")
    target_compile_options(${target} PUBLIC -fnon-call-exceptions)
    if(SETUP_SANITIZE)
        target_compile_options(${target} PUBLIC -fsanitize=${SETUP_SANITIZE} -fno-omit-frame-pointer)
        target_link_options(${target} PUBLIC -fsanitize=${SETUP_SANITIZE})
    endif()
endfunction()

find_package(GTest REQUIRED)
include(GoogleTest)

# add_project_test(name SOURCES a.cpp b.cpp [LIBS x y] [XVFB])
# Builds one test executable against setupcore and registers it with CTest.
# XVFB tests drive real windows and run under their own virtual display.
function(add_project_test name)
    cmake_parse_arguments(T "XVFB" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE setupcore GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
    setup_target_options(${name})
    if(T_XVFB)
        add_test(NAME ${name} COMMAND xvfb-run -a -s "-screen 0 1024x768x24" $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# setup_embed_resources(target NAME TYPE FILE [NAME TYPE FILE ...])
# Links files into the target and registers them under their name and type at start-up,
# the way the Windows build finds its executable resources.
function(setup_embed_resources target)
    set(args ${ARGN})
    set(asm "")
    set(decls "")
    set(regs "")
    set(deps "")
    set(index 0)
    list(LENGTH args count)
    while(index LESS count)
        list(GET args ${index} res_name)
        math(EXPR i1 "${index} + 1")
        math(EXPR i2 "${index} + 2")
        list(GET args ${i1} res_type)
        list(GET args ${i2} res_file)
        set(sym "setup_res_${target}_${res_name}")
        string(MAKE_C_IDENTIFIER "${sym}" sym)
        string(APPEND asm "    \".global ${sym}_begin, ${sym}_end\\n\"\n")
        string(APPEND asm "    \".balign 16\\n${sym}_begin:\\n\"\n")
        string(APPEND asm "    \".incbin \\\"${res_file}\\\"\\n${sym}_end:\\n\"\n")
        string(APPEND decls "extern \"C\" const unsigned char ${sym}_begin[], ${sym}_end[];\n")
        string(APPEND regs "    Platform::RegisterResource(\"${res_name}\", \"${res_type}\", ${sym}_begin,\n")
        string(APPEND regs "                               size_t(${sym}_end - ${sym}_begin));\n")
        list(APPEND deps "${res_file}")
        math(EXPR index "${index} + 3")
    endwhile()
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
    file(CONFIGURE OUTPUT "${out}" CONTENT "// Generated: resources linked into ${target}.
#include \"platform/s_platform.h\"

__asm__(\".section .rodata\\n\"
${asm}    \".previous\\n\");

${decls}
namespace {
const bool registered = [] {
${regs}    return true;
}();
}
" @ONLY)
    set_source_files_properties("${out}" PROPERTIES OBJECT_DEPENDS "${deps}")
    target_sources(${target} PRIVATE "${out}")
endfunction()
