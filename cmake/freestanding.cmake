# The Windows build of tintshift links no C runtime: its own entry point, no CRT
# start-up, no exceptions or RTTI, and imports from KERNEL32.dll and USER32.dll only.

function(tintshift_make_freestanding target)
  target_compile_options(${target} PRIVATE
    -ffreestanding -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-stack-protector -fno-threadsafe-statics -fno-tree-loop-distribute-patterns)
endfunction()

function(tintshift_link_bare_console target)
  target_link_options(${target} PRIVATE
    -nostdlib -mconsole -Wl,-e,_Entry@0 -Wl,--enable-stdcall-fixup)
  target_link_libraries(${target} PRIVATE kernel32 user32 gcc)
endfunction()
