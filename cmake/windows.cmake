# The Windows program, its tools for the demo disc and the tests that run under Wine.
enable_language(RC)
enable_language(C)

if(MINGW)
  # One self-contained file: no runtime DLL beside it.
  set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
  # Each function and datum in a section of its own, so that the linker can drop the ones
  # that nothing calls (--gc-sections in MENU_LINK_OPTIONS).
  set(SEPARATE_SECTIONS -ffunction-sections -fdata-sections)
  # ASLR with relocations, DEP, no SEH handlers (32-bit GCC code has none), terminal-server
  # aware; the stack protector comes with the static runtime. Windows refuses to start a
  # program whose header asks for a newer subsystem or system than its own: 5.1 is Windows XP,
  # said here rather than left to the toolchain's default.
  # Optimised across files at the link as well, which leaves out what no caller needs. The objects
  # carry their ordinary code too, which the tests' programs link.
  # No time stamp in the header: two builds of one commit are the same file, which whoever audits a
  # disc can compare with its menu.exe.
  set(SEPARATE_SECTIONS ${SEPARATE_SECTIONS} -flto -ffat-lto-objects)
  set(MENU_LINK_OPTIONS ${STATIC_RUNTIME} -municode -s -flto
    -Wl,--dynamicbase,--nxcompat,--tsaware,--no-seh,--gc-sections,--no-insert-timestamp
    -Wl,--major-subsystem-version,5,--minor-subsystem-version,1,--major-os-version,5,--minor-os-version,1)
  target_compile_options(menu_core PRIVATE ${SEPARATE_SECTIONS})
  # An entry point of its own, which calls the runtime's once nothing can be loaded from the program's folder
  # (Startup.cpp). That file stays out of the optimisation across files: the compiler's stack checks refer to its
  # guard only after that step, which would otherwise drop the guard as unused.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND MENU_LINK_OPTIONS -Wl,-e,_MenuStartup)
  else()
    list(APPEND MENU_LINK_OPTIONS -Wl,-e,MenuStartup)
  endif()
  set_source_files_properties(platform/win32/Startup.cpp PROPERTIES COMPILE_OPTIONS -fno-lto)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()

add_library(menu_win32 OBJECT
  platform/win32/Com.cpp
  platform/win32/Compatibility.cpp
  platform/win32/Accessible.cpp
  platform/win32/Controls.cpp
  platform/win32/CreateForm.cpp
  platform/win32/FormWindow.cpp
  platform/win32/Painting.cpp
  platform/win32/Win32Platform.cpp
  platform/win32/SecondStart.cpp
  platform/win32/StartProgram.cpp
  system/Win32SystemCalls.cpp)
target_link_libraries(menu_win32 PUBLIC menu_core user32 gdi32)
target_compile_options(menu_win32 PRIVATE ${SEPARATE_SECTIONS})

# The manifest names the processor the program is built for: Windows refuses to start a program
# whose manifest names another. The resource compiler finds it in the build folder.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MENU_PROCESSOR amd64)
else()
  set(MENU_PROCESSOR x86)
endif()
configure_file(assets/menu.manifest.in ${CMAKE_BINARY_DIR}/assets/menu.manifest @ONLY)
set(MENU_RESOURCE_INCLUDES ${CMAKE_BINARY_DIR}/assets)
# The resource compiler's inputs beside the script, so that a redrawn picture is rebuilt in.
set(MENU_RESOURCE_DEPENDS
  "${CMAKE_SOURCE_DIR}/assets/menu.ico;${CMAKE_SOURCE_DIR}/assets/menu.bmp;${CMAKE_SOURCE_DIR}/assets/info.bmp;${CMAKE_BINARY_DIR}/assets/menu.manifest;${CMAKE_SOURCE_DIR}/assets/resource.h")
set_source_files_properties(assets/menu.rc PROPERTIES OBJECT_DEPENDS "${MENU_RESOURCE_DEPENDS}")
# The smaller runtime parts are for menu.exe alone: the tests need the originals.
add_executable(menu WIN32 platform/win32/WinMain.cpp platform/win32/SmallRuntime.cpp assets/menu.rc)
target_link_libraries(menu PRIVATE menu_win32)
target_include_directories(menu PRIVATE ${MENU_RESOURCE_INCLUDES})

# The least window a program can show, built as menu.exe is: what scripts/bench compares with.
add_executable(floor WIN32 tools/floor/floor.cpp)
target_link_libraries(floor PRIVATE user32)
foreach(target menu floor)
  target_compile_options(${target} PRIVATE ${SEPARATE_SECTIONS})
  target_link_options(${target} PRIVATE ${MENU_LINK_OPTIONS})
  if(MINGW)
    target_sources(${target} PRIVATE platform/win32/Startup.cpp)
  endif()
endforeach()
# Windows copies the menu whole into memory when it starts from a disc or a share, so that a disc taken
# out while it runs cannot end it at a page not yet read.
if(MINGW)
  add_custom_command(TARGET menu POST_BUILD VERBATIM
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/run_from_swap.py $<TARGET_FILE:menu>)
elseif(MSVC)
  target_link_options(menu PRIVATE /SWAPRUN:CD /SWAPRUN:NET)
endif()

# Stand-ins for the programs on the disc (the demo's and the end-to-end tests').
add_executable(standin WIN32 tools/standin/standin.cpp)
target_link_libraries(standin PRIVATE user32 gdi32)
if(MINGW)
  target_link_options(standin PRIVATE ${STATIC_RUNTIME} -municode)
endif()
