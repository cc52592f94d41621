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
endif()

set(MOSARYN_SYSTEM_LIBS gdiplus windowscodecs comctl32 comdlg32 shell32 ole32 oleaut32 uuid gdi32 user32 kernel32 advapi32 shlwapi winhttp)
