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
