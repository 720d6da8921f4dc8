# The desktop app's place on the desktop, included from gui/ (Qt's targets
# are visible there): below the prefix,
#   share/applications/KS_APP_ID.desktop     the menu entry
#   share/metainfo/KS_APP_ID.metainfo.xml    AppStream metadata (software centres)
#   share/icons/hicolor/*/apps/kestrelscan.* the icon: SVG, and PNGs drawn from
#                                            it with the app's own SVG renderer
# The target ks_desktop_data builds what is generated.

install(FILES ${PROJECT_SOURCE_DIR}/data/${KS_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(ks_desktop_out ${PROJECT_BINARY_DIR}/install-files)
configure_file(${PROJECT_SOURCE_DIR}/data/${KS_APP_ID}.metainfo.xml.in
  ${ks_desktop_out}/${KS_APP_ID}.metainfo.xml @ONLY)
install(FILES ${ks_desktop_out}/${KS_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(ks_icon_svg ${PROJECT_SOURCE_DIR}/data/icons/kestrelscan.svg)
set(ks_icon_root ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${ks_icon_svg} DESTINATION ${ks_icon_root}/scalable/apps)

find_package(Qt6 6.4 REQUIRED COMPONENTS Gui Svg)
add_executable(ks_render_icon ${PROJECT_SOURCE_DIR}/gui/tools/render_icon.cpp)
target_link_libraries(ks_render_icon PRIVATE Qt6::Gui Qt6::Svg)
ks_warnings(ks_render_icon)
set(ks_pngs "")
foreach(size 16 22 24 32 48 64 128 256)
  set(dir ${ks_desktop_out}/icons/${size}x${size})
  add_custom_command(OUTPUT ${dir}/kestrelscan.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    # A sanitizer build's renderer must not fail the build over Qt's
    # allocations that live until exit.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
      $<TARGET_FILE:ks_render_icon> ${ks_icon_svg} ${size} ${dir}/kestrelscan.png
    DEPENDS ks_render_icon ${ks_icon_svg}
    COMMENT "Rendering the ${size}x${size} application icon"
    VERBATIM)
  list(APPEND ks_pngs ${dir}/kestrelscan.png)
  install(FILES ${dir}/kestrelscan.png DESTINATION ${ks_icon_root}/${size}x${size}/apps)
endforeach()
add_custom_target(ks_desktop_data ALL DEPENDS ${ks_pngs})
