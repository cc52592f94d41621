# Compiler choices live here, not in the sources.
add_library(mosaryn_options INTERFACE)
target_compile_features(mosaryn_options INTERFACE cxx_std_20)
target_compile_definitions(mosaryn_options INTERFACE
    UNICODE _UNICODE NOMINMAX
    _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000000 _WIN32_IE=0x0A00)
target_include_directories(mosaryn_options INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/res)

if(MSVC)
    target_compile_options(mosaryn_options INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:/W4 /WX /utf-8 /permissive->)
else()
    target_compile_options(mosaryn_options INTERFACE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror -Werror=return-type -Wno-cast-function-type -Wno-missing-field-initializers>
        $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
    # No DLL beyond Windows' own: the runtime goes into the executable.
    target_link_options(mosaryn_options INTERFACE -static -static-libgcc -static-libstdc++)
    # The same sources and toolchain give the same bytes: no link time in the PE header, and
    # no build folder in what the compiler writes (file names in messages of the runtime).
    target_compile_options(mosaryn_options INTERFACE
        $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>)
    target_link_options(mosaryn_options INTERFACE -Wl,--no-insert-timestamp)
endif()

# The shipped program carries no symbols or debug information (the runtime libraries bring
# some); tests and benchmarks keep theirs.
function(mosaryn_release_program target)
    if(MSVC)
        target_link_options(${target} PRIVATE /Brepro /DEBUG:NONE)
        target_compile_options(${target} PRIVATE /Brepro)
    else()
        target_link_options(${target} PRIVATE -s)
    endif()
endfunction()

set(MOSARYN_SYSTEM_LIBS gdiplus windowscodecs comctl32 comdlg32 shell32 ole32 oleaut32 uuid gdi32 user32 kernel32 advapi32 shlwapi winhttp)
