# Run by `cmake --install` (and so by cpack): writes the systemd user units with the path of
# the installed nvdue. The prefix is known only now, since --prefix may differ from the one
# the build was configured with.
# In: NV_UNITS_SOURCE_DIR, NV_UNITS_STAGE_DIR, NV_INSTALL_BINDIR (relative or absolute).
if(IS_ABSOLUTE "${NV_INSTALL_BINDIR}")
    set(CMAKE_INSTALL_FULL_BINDIR "${NV_INSTALL_BINDIR}")
else()
    set(CMAKE_INSTALL_FULL_BINDIR "${CMAKE_INSTALL_PREFIX}/${NV_INSTALL_BINDIR}")
endif()
configure_file("${NV_UNITS_SOURCE_DIR}/norvo-rava-rodozod-reminder.service.in"
               "${NV_UNITS_STAGE_DIR}/norvo-rava-rodozod-reminder.service" @ONLY)
configure_file("${NV_UNITS_SOURCE_DIR}/norvo-rava-rodozod-reminder.timer"
               "${NV_UNITS_STAGE_DIR}/norvo-rava-rodozod-reminder.timer" COPYONLY)
# file(INSTALL) is what install(FILES) runs: it honours DESTDIR and lists the files in
# install_manifest.txt.
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/user" TYPE FILE
     FILES "${NV_UNITS_STAGE_DIR}/norvo-rava-rodozod-reminder.service"
           "${NV_UNITS_STAGE_DIR}/norvo-rava-rodozod-reminder.timer")
