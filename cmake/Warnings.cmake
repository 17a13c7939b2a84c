# Gives every target built from this project's sources the project's
# warnings (the interface target vantel_warnings), walking the folders
# added so far. A target added later in a new folder gets them without its
# own CMakeLists.txt having to ask; imported and interface targets are left
# alone.
function(vantel_apply_warnings folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_link_libraries(${target} PRIVATE vantel_warnings)
    endif()
  endforeach()
  get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(subfolder IN LISTS subfolders)
    vantel_apply_warnings(${subfolder})
  endforeach()
endfunction()
