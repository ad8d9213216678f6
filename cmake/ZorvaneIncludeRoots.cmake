# zv_include_root(<target>)
#
# Gives <target> an include root of its own that holds one entry: the folder of the
# calling CMakeLists.txt, linked under its own name, so that "<folder>/<header>.h" is found
# and no other folder of the tree is. The root is PUBLIC: what links <target> may include
# its headers. A library therefore sees exactly its own folder and the folders of what it
# links, and an include against the layering fails to build instead of compiling through
# a shared root.
#
# The roots live in the build tree (include_roots/<target>/<folder>, a symbolic link into
# the sources), so headers stay beside their sources and keep their "runtime/arrays.h"
# paths.
function(zv_include_root target)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/include_roots/${target})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC RESULT failed)
  if(failed)
    message(FATAL_ERROR "Cannot link ${root}/${folder} to ${CMAKE_CURRENT_SOURCE_DIR}: ${failed}")
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
