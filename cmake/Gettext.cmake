# ks_message_catalogues(TARGET PODIR): compiles every PODIR/<lang>.po with
# msgfmt (checked) into ${CMAKE_BINARY_DIR}/locale/<lang>/LC_MESSAGES/TARGET.mo
# before TARGET is built, and installs them under CMAKE_INSTALL_LOCALEDIR.
# The target TARGET-pot refreshes PODIR/TARGET.pot from TARGET's sources
# (xgettext, keywords _ and N_), for translators to merge with msgmerge.
find_program(KS_MSGFMT msgfmt REQUIRED)
find_program(KS_XGETTEXT xgettext)

function(ks_message_catalogues target podir)
  file(GLOB pos CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${podir}/*.po)
  set(mos "")
  foreach(po ${pos})
    get_filename_component(lang ${po} NAME_WE)
    set(dir ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES)
    set(mo ${dir}/${target}.mo)
    add_custom_command(OUTPUT ${mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${KS_MSGFMT} --check -o ${mo} ${po}
      DEPENDS ${po}
      COMMENT "Compiling the ${lang} message catalogue of ${target}"
      VERBATIM)
    install(FILES ${mo} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${lang}/LC_MESSAGES)
    list(APPEND mos ${mo})
  endforeach()
  add_custom_target(${target}-mo DEPENDS ${mos})
  add_dependencies(${target} ${target}-mo)
  if(KS_XGETTEXT)
    get_target_property(absolute ${target} SOURCES)
    set(sources "")
    foreach(src ${absolute})
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${src})
      list(APPEND sources ${rel})
    endforeach()
    list(SORT sources)
    add_custom_target(${target}-pot
      COMMAND ${KS_XGETTEXT} --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_
        --package-name=${target} --add-comments=TRANSLATORS:
        -o ${PROJECT_SOURCE_DIR}/${podir}/${target}.pot ${sources}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      VERBATIM)
  endif()
endfunction()
