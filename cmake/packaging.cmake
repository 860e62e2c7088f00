# The packages `cpack` makes from a build: a Debian package from a Linux one, a zip from each
# Windows one. Everything comes from the install rules and the project's version.
set(CPACK_PACKAGE_NAME inversions)
set(CPACK_PACKAGE_VENDOR "the inversions authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    math(EXPR windows_bits "${CMAKE_SIZEOF_VOID_P} * 8")
    set(CPACK_PACKAGE_FILE_NAME inversions-${PROJECT_VERSION}-win${windows_bits})
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # inversions_VERSION_ARCH.deb
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the inversions authors <inversions@example.org>")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The long description; CPack puts the summary above it.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "You type how many integers follow and then the integers; the program echoes
the list, sorts it with a merge sort that counts the inversions (the pairs of
positions i < j with value[i] > value[j]) while it merges, prints the sorted
list and the total, and waits for one key at the terminal before it ends.
Bad input ends the run with one line that says what was expected.")
endif()
include(CPack)
