# What cmake --install puts beside the two programs (desktop entry, AppStream metadata,
# icons, man pages, bash completion, README and licence) and how CPack packs it: a .deb
# on Linux, a .zip for Windows.
set(ZENTHO_PACKAGE_NAME "zentho-iap")
set(ZENTHO_MAINTAINER_EMAIL "zentho-iap@example.org")
set(ZENTHO_MAINTAINER "The ZenthoIAP authors <${ZENTHO_MAINTAINER_EMAIL}>")
set(resources ${PROJECT_SOURCE_DIR}/resources)
set(packaging_dir ${PROJECT_BINARY_DIR}/packaging)

if(WIN32)
  # The archive unpacks to one folder that runs from anywhere: both programs, the README
  # and the licence side by side (the window keeps setup.dat beside itself).
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
else()
  set(doc_dir share/doc/${ZENTHO_PACKAGE_NAME})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
                ${resources}/debian/copyright
          DESTINATION ${doc_dir})

  # Debian wants a changelog beside the copyright, compressed without a time stamp.
  configure_file(${resources}/debian/changelog.in ${packaging_dir}/changelog @ONLY)
  add_custom_command(OUTPUT ${packaging_dir}/changelog.gz
                     COMMAND gzip -9nkf changelog
                     WORKING_DIRECTORY ${packaging_dir}
                     DEPENDS ${packaging_dir}/changelog VERBATIM)

  # The man page of zentho-iap comes from its own help, so it is made by the built tool.
  string(TIMESTAMP man_date "%Y-%m-%d" UTC)
  add_custom_command(OUTPUT ${packaging_dir}/zentho-iap.1.gz
                     COMMAND ${CMAKE_COMMAND} -DBINARY=$<TARGET_FILE:zentho-iap>
                             -DOUTPUT=${packaging_dir}/zentho-iap.1
                             -DVERSION=${PROJECT_VERSION} -DDATE=${man_date}
                             -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
                     COMMAND gzip -9nf zentho-iap.1
                     WORKING_DIRECTORY ${packaging_dir}
                     DEPENDS zentho-iap ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake VERBATIM)
  # So is its bash completion: verbs, options and --mode values as its help gives them.
  add_custom_command(OUTPUT ${packaging_dir}/zentho-iap.bash
                     COMMAND ${CMAKE_COMMAND} -DBINARY=$<TARGET_FILE:zentho-iap>
                             -DTEMPLATE=${resources}/zentho-iap.bash.in
                             -DOUTPUT=${packaging_dir}/zentho-iap.bash
                             -P ${PROJECT_SOURCE_DIR}/cmake/BashCompletion.cmake
                     DEPENDS zentho-iap ${resources}/zentho-iap.bash.in
                             ${PROJECT_SOURCE_DIR}/cmake/BashCompletion.cmake VERBATIM)
  set(packaging_outputs ${packaging_dir}/changelog.gz ${packaging_dir}/zentho-iap.1.gz
                        ${packaging_dir}/zentho-iap.bash)
  install(FILES ${packaging_dir}/changelog.gz DESTINATION ${doc_dir})
  install(FILES ${packaging_dir}/zentho-iap.1.gz DESTINATION share/man/man1)
  install(FILES ${packaging_dir}/zentho-iap.bash DESTINATION share/bash-completion/completions
          RENAME zentho-iap)

  if(TARGET ZenthoIAP)
    add_custom_command(OUTPUT ${packaging_dir}/ZenthoIAP.1.gz
                       COMMAND gzip -9nc ${resources}/ZenthoIAP.1 > ZenthoIAP.1.gz
                       WORKING_DIRECTORY ${packaging_dir}
                       DEPENDS ${resources}/ZenthoIAP.1)
    list(APPEND packaging_outputs ${packaging_dir}/ZenthoIAP.1.gz)
    install(FILES ${packaging_dir}/ZenthoIAP.1.gz DESTINATION share/man/man1)
    # The desktop entry and the AppStream metadata share one id, as software centres expect.
    set(app_id org.example.ZenthoIAP)
    install(FILES ${resources}/${app_id}.desktop DESTINATION share/applications)
    configure_file(${resources}/${app_id}.metainfo.xml.in ${packaging_dir}/${app_id}.metainfo.xml @ONLY)
    install(FILES ${packaging_dir}/${app_id}.metainfo.xml DESTINATION share/metainfo)
    foreach(size 16 32 48 64 128 256)
      if(EXISTS ${resources}/icons/icon-128-${size}.png)
        install(FILES ${resources}/icons/icon-128-${size}.png
                DESTINATION share/icons/hicolor/${size}x${size}/apps
                RENAME zentho-iap.png)
      endif()
    endforeach()
  endif()

  add_custom_target(zentho_packaging_files ALL DEPENDS ${packaging_outputs})
endif()

set(CPACK_PACKAGE_NAME ${ZENTHO_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "The ZenthoIAP authors")
set(CPACK_PACKAGE_CONTACT ${ZENTHO_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware download tool for Orvane USB HID devices")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "ZenthoIAP-${PROJECT_VERSION}-win64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZENTHO_MAINTAINER})
  # The extended description; CPack puts the summary above it and indents it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "ZenthoIAP downloads firmware into USB HID devices built on the Orvane chip:
the KVM system code, the bootloader code or a 256-byte software
configuration built from a text file of hex values.

The package holds the ZenthoIAP window (Qt 6), the zentho-iap command-line
tool for scripts and production stations, and a udev rule that lets the
logged-in user open the device. Both programs carry a simulated device
(--simulate) for trying the flow without hardware.")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${resources}/debian/postinst)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
