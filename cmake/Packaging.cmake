# What Debian asks of a package besides the programs: manual pages and the
# changelog compressed the reproducible way (gzip -n9: no name, no time), the
# copyright file, and the README with the examples in the package's doc
# folder.
set(VANTEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vantel-harbex)
set(VANTEL_COMPRESSED_DIR ${CMAKE_BINARY_DIR}/compressed)

# Compresses `source` into the build folder at build time; the result's
# path goes to `output_var`.
function(vantel_compressed source name output_var)
  set(output ${VANTEL_COMPRESSED_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTEL_COMPRESSED_DIR}
    COMMAND sh -c "gzip -n9 -c \"$1\" > \"$2\"" sh ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
  set(${output_var} ${output} PARENT_SCOPE)
endfunction()

set(VANTEL_MANUAL_PAGES ${PROJECT_SOURCE_DIR}/interp/driver/vantel.1)
if(VANTEL_BUILD_LSP AND NOT VANTEL_BUILD_FUZZERS)
  list(APPEND VANTEL_MANUAL_PAGES ${PROJECT_SOURCE_DIR}/interp/lsp/vantel-lsp.1)
endif()
if(HARBEX_BUILD_SHELL AND NOT VANTEL_BUILD_FUZZERS)
  list(APPEND VANTEL_MANUAL_PAGES ${PROJECT_SOURCE_DIR}/shell/install/harbex.1
                                  ${PROJECT_SOURCE_DIR}/shell/install/quillpad.1)
endif()
set(VANTEL_COMPRESSED_FILES)
foreach(page IN LISTS VANTEL_MANUAL_PAGES)
  get_filename_component(name ${page} NAME)
  vantel_compressed(${page} ${name} compressed)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND VANTEL_COMPRESSED_FILES ${compressed})
endforeach()
vantel_compressed(${PROJECT_SOURCE_DIR}/cmake/debian/changelog changelog changelog)
list(APPEND VANTEL_COMPRESSED_FILES ${changelog})
add_custom_target(compressed_documents ALL DEPENDS ${VANTEL_COMPRESSED_FILES})

install(FILES ${changelog} ${PROJECT_SOURCE_DIR}/cmake/debian/copyright
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${VANTEL_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VANTEL_DOC_DIR}/examples
        FILES_MATCHING PATTERN "*.sno")

if(HARBEX_BUILD_SHELL AND NOT VANTEL_BUILD_FUZZERS)
  # quillpad-editor is quillpad's window program: its page is quillpad's.
  install(CODE "file(CREATE_LINK quillpad.1.gz
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/quillpad-editor.1.gz\"
    SYMBOLIC)")
  # The installed programs carry no compiler notes (.comment); stripping
  # keeps them. Runs after every program was installed.
  if(CMAKE_OBJCOPY)
    set(stripped vantel harbex quillpad quillpad-editor)
    if(VANTEL_BUILD_LSP)
      list(APPEND stripped vantel-lsp)
    endif()
    foreach(program IN LISTS stripped)
      install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")")
    endforeach()
  endif()
endif()

# A Debian package of the installed programs: `cpack -G DEB` in a build
# folder (the package preset does it). dpkg-shlibdeps computes the
# dependencies from the programs' shared libraries.
set(CPACK_PACKAGE_NAME "vantel-harbex")
set(CPACK_PACKAGE_VENDOR "Varnhold")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small programming environment for a subset of SNOBOL4")
set(CPACK_PACKAGE_DESCRIPTION
    "vantel is a console interpreter for a subset of SNOBOL4: it translates a\n"
    "source file, lists it into a listing file and runs it with a backtracking\n"
    "pattern matcher. harbex is a windowed shell (Qt 6) that creates, chooses,\n"
    "edits and runs source files through vantel or a full SNOBOL4 interpreter,\n"
    "with quillpad, its own editor and listing viewer.")
list(JOIN CPACK_PACKAGE_DESCRIPTION "" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGE_CONTACT "vantel and harbex maintainers <maintainers@vantel.invalid>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION "devel")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
