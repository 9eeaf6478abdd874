# The package's documents: the manual pages and the changelog compressed as Debian wants them,
# and the copyright file in Debian's machine-readable format, made from LICENSE so that the two
# never disagree.
# In: NV_INSTALL_SOURCE_DIR, CPACK_PACKAGE_NAME, CPACK_PACKAGE_CONTACT,
# CPACK_DEBIAN_PACKAGE_HOMEPAGE.

# The changelog's newest entry must be this version, or the package would describe another.
file(STRINGS ${NV_INSTALL_SOURCE_DIR}/changelog nv_changelog_head LIMIT_COUNT 1)
if(NOT nv_changelog_head MATCHES "^${CPACK_PACKAGE_NAME} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "resources/install/changelog has no entry for version ${PROJECT_VERSION}")
endif()

# At gzip's best and without a time stamp, so that the same sources give the same package.
find_program(NV_GZIP gzip REQUIRED)
set(nv_compressed_dir ${CMAKE_CURRENT_BINARY_DIR}/compressed)
set(nv_compressed)
foreach(nv_doc IN ITEMS nvdue.1 nvimport.1 norvo-rava-rodozod.1 changelog)
    add_custom_command(
        OUTPUT ${nv_compressed_dir}/${nv_doc}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${NV_INSTALL_SOURCE_DIR}/${nv_doc} ${nv_compressed_dir}/${nv_doc}
        COMMAND ${NV_GZIP} -9 -n -f ${nv_compressed_dir}/${nv_doc}
        DEPENDS ${NV_INSTALL_SOURCE_DIR}/${nv_doc}
        VERBATIM)
    list(APPEND nv_compressed ${nv_compressed_dir}/${nv_doc}.gz)
endforeach()
add_custom_target(nvdocs ALL DEPENDS ${nv_compressed})

file(READ ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE nv_license)
if(NOT nv_license MATCHES "^MIT License\n\nCopyright \\(c\\) ([^\n]+)\n\n(.+)$")
    message(FATAL_ERROR "LICENSE is no longer the MIT licence that the copyright file names")
endif()
set(NV_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
# The licence text as a field's continuation lines: each indented, a blank line as " .".
string(STRIP "${CMAKE_MATCH_2}" NV_LICENSE_TEXT)
string(REPLACE "\n\n" "\n.\n" NV_LICENSE_TEXT "${NV_LICENSE_TEXT}")
string(REPLACE "\n" "\n " NV_LICENSE_TEXT " ${NV_LICENSE_TEXT}")
configure_file(${NV_INSTALL_SOURCE_DIR}/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/copyright @ONLY)

set(nv_docdir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
install(FILES ${nv_compressed_dir}/nvdue.1.gz ${nv_compressed_dir}/nvimport.1.gz
              ${nv_compressed_dir}/norvo-rava-rodozod.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${nv_compressed_dir}/changelog.gz ${CMAKE_CURRENT_BINARY_DIR}/copyright
        DESTINATION ${nv_docdir})
