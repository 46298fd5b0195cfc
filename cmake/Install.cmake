# What `cmake --install` (and `make install PREFIX=...`) puts where, in the
# GNU layout: both programs, the help page, the desktop entry, the icon in the
# hicolor theme, the AppStream metadata, the man pages, the bash completion
# and the package's documentation. Files made at build time land in
# ${CMAKE_BINARY_DIR}/dist.
include(GNUInstallDirs)

set(SCRIVANE_PACKAGE_NAME scrivane-converter)
set(SCRIVANE_APP_ID com.example.ScrivaneConverter)
set(SCRIVANE_RELEASE_DATE 2026-12-07)
set(SCRIVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
set(SCRIVANE_DIST_SOURCE ${PROJECT_SOURCE_DIR}/dist)
set(SCRIVANE_DIST_BINARY ${CMAKE_BINARY_DIR}/dist)
set(SCRIVANE_DATA_DIR ${CMAKE_INSTALL_DATADIR}/${SCRIVANE_PACKAGE_NAME})
set(SCRIVANE_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${SCRIVANE_PACKAGE_NAME})

# The window finds its help page relative to its own folder, so an
# installation moved to another prefix still finds it.
file(RELATIVE_PATH SCRIVANE_HELP_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/${SCRIVANE_PACKAGE_NAME})
target_compile_definitions(scrivane_options PUBLIC SCRIVANE_HELP_DIR_FROM_BIN="${SCRIVANE_HELP_DIR_FROM_BIN}")

# Files compressed as Debian wants them: gzip -9, no name or time stamp.
function(scrivane_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

install(TARGETS ${SCRIVANE_CLI_PROGRAM} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The command line's man page lists its options, and its bash completion
# offers them, as the program's own option table has them: both are written
# at build time from templates that hold the rest.
add_executable(scrivane-option-docs ${SCRIVANE_DIST_SOURCE}/option_docs.cpp)
target_link_libraries(scrivane-option-docs PRIVATE Scrivane::cli Scrivane::warnings)
configure_file(${SCRIVANE_DIST_SOURCE}/scrivane-convert.1.in ${SCRIVANE_DIST_BINARY}/scrivane-convert.1.template @ONLY)
function(scrivane_option_docs kind template output)
  add_custom_command(OUTPUT ${output}
    COMMAND scrivane-option-docs ${kind} ${template} ${output}
    DEPENDS scrivane-option-docs ${template}
    VERBATIM)
endfunction()
scrivane_option_docs(man ${SCRIVANE_DIST_BINARY}/scrivane-convert.1.template ${SCRIVANE_DIST_BINARY}/scrivane-convert.1)
scrivane_option_docs(completion ${SCRIVANE_DIST_SOURCE}/scrivane-convert.bash-completion.in
                     ${SCRIVANE_DIST_BINARY}/scrivane-convert.bash-completion)
add_custom_target(scrivane-completion ALL DEPENDS ${SCRIVANE_DIST_BINARY}/scrivane-convert.bash-completion)
set(SCRIVANE_MAN_PAGES scrivane-convert)
install(FILES ${SCRIVANE_DIST_BINARY}/scrivane-convert.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME scrivane-convert)

if(SCRIVANE_GUI)
  install(TARGETS ${SCRIVANE_WINDOW_PROGRAM} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${SCRIVANE_WINDOW_PROGRAM}.html DESTINATION ${SCRIVANE_DATA_DIR})
  configure_file(${SCRIVANE_DIST_SOURCE}/scrivane-converter.1.in ${SCRIVANE_DIST_BINARY}/scrivane-converter.1 @ONLY)
  list(APPEND SCRIVANE_MAN_PAGES scrivane-converter)

  install(FILES ${SCRIVANE_DIST_SOURCE}/scrivane-converter.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${SCRIVANE_DIST_SOURCE}/scrivane-converter.metainfo.xml.in
                 ${SCRIVANE_DIST_BINARY}/${SCRIVANE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${SCRIVANE_DIST_BINARY}/${SCRIVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon files are drawn at build time by the code that draws the
  # window's icon.
  find_package(Qt6 REQUIRED COMPONENTS Svg)
  add_executable(scrivane-export-icons ${SCRIVANE_DIST_SOURCE}/export_icons.cpp)
  target_link_libraries(scrivane-export-icons PRIVATE Scrivane::app Qt6::Svg)
  set(SCRIVANE_ICON_FILES ${SCRIVANE_DIST_BINARY}/icons/hicolor/scalable/apps/${SCRIVANE_PACKAGE_NAME}.svg)
  foreach(size IN LISTS SCRIVANE_ICON_SIZES)
    list(APPEND SCRIVANE_ICON_FILES ${SCRIVANE_DIST_BINARY}/icons/hicolor/${size}x${size}/apps/${SCRIVANE_PACKAGE_NAME}.png)
  endforeach()
  add_custom_command(OUTPUT ${SCRIVANE_ICON_FILES}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:scrivane-export-icons> ${SCRIVANE_DIST_BINARY}/icons ${SCRIVANE_PACKAGE_NAME}
            ${SCRIVANE_ICON_SIZES}
    DEPENDS scrivane-export-icons
    VERBATIM)
  add_custom_target(scrivane-icons ALL DEPENDS ${SCRIVANE_ICON_FILES})
  install(DIRECTORY ${SCRIVANE_DIST_BINARY}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(SCRIVANE_COMPRESSED_DOCS)
foreach(page IN LISTS SCRIVANE_MAN_PAGES)
  scrivane_gzip(${SCRIVANE_DIST_BINARY}/${page}.1 ${SCRIVANE_DIST_BINARY}/${page}.1.gz)
  list(APPEND SCRIVANE_COMPRESSED_DOCS ${SCRIVANE_DIST_BINARY}/${page}.1.gz)
  install(FILES ${SCRIVANE_DIST_BINARY}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
scrivane_gzip(${SCRIVANE_DIST_SOURCE}/debian/changelog ${SCRIVANE_DIST_BINARY}/changelog.gz)
list(APPEND SCRIVANE_COMPRESSED_DOCS ${SCRIVANE_DIST_BINARY}/changelog.gz)
add_custom_target(scrivane-compressed-docs ALL DEPENDS ${SCRIVANE_COMPRESSED_DOCS})
install(FILES ${SCRIVANE_DIST_SOURCE}/debian/copyright ${SCRIVANE_DIST_BINARY}/changelog.gz
  DESTINATION ${SCRIVANE_DOC_DIR})
