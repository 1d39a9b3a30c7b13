# What a build for Windows (cross compiled with MinGW-w64, see
# scripts/build-qt-windows and scripts/test --windows) does differently.

# The programs need nothing but Windows' own DLLs: the compiler's runtime and
# its threads are linked in.
add_link_options(-static)

# Header-only libraries are the same for every target, so Debian's serve;
# but their targets name all of /usr/include, whose C library headers are
# Linux's. A folder of links to just their headers stands in for it.
find_package(CLI11 CONFIG REQUIRED NO_CMAKE_FIND_ROOT_PATH)
find_package(nlohmann_json REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(flashdisk_host_headers ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${flashdisk_host_headers})
foreach(folder CLI nlohmann toml++)
  if(NOT EXISTS ${flashdisk_host_headers}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${flashdisk_host_headers}/${folder} SYMBOLIC)
  endif()
endforeach()
set_target_properties(CLI11::CLI11 nlohmann_json::nlohmann_json PROPERTIES
                      INTERFACE_INCLUDE_DIRECTORIES ${flashdisk_host_headers})
# Debian's toml++ points at its Linux library; Windows takes it header-only.
add_library(tomlplusplus::tomlplusplus INTERFACE IMPORTED)
set_target_properties(tomlplusplus::tomlplusplus PROPERTIES
                      INTERFACE_INCLUDE_DIRECTORIES ${flashdisk_host_headers}
                      INTERFACE_COMPILE_DEFINITIONS TOML_HEADER_ONLY=1)

# googletest is built from the source Debian ships with libgtest-dev.
if(FLASHDISK_WITH_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

set(FLASHDISK_QT_TRANSLATIONS /usr/share/qt6/translations
    CACHE PATH "Where Qt's .qm translations are (they are the same for every platform)")

# Qt finds its Russian translations through a qt.conf beside the exe, in the
# build folder as in the zip.
function(flashdisk_windows_qt_files folder)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/qt.conf ${folder}/qt.conf COPYONLY)
  configure_file(${FLASHDISK_QT_TRANSLATIONS}/qtbase_ru.qm ${folder}/translations/qtbase_ru.qm
                 COPYONLY)
endfunction()

# A test of the Linux run that the Windows run leaves out: it is still listed
# by name, as a disabled test that gives the reason, so that CTest counts it.
function(flashdisk_left_out_on_windows name reason)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "left out on Windows: ${reason}")
  set_tests_properties(${name} PROPERTIES DISABLED TRUE LABELS linux_only)
endfunction()

# What the Windows zip holds beside the two programs: qt.conf pointing Qt at
# the translations folder, Qt's Russian translations, the manual pages as web
# pages (made by mandoc), the licence and a short read-me.
# scripts/pack-windows-zip installs it into a folder and packs that.
function(flashdisk_windows_bundle)
  set(windows_packaging ${PROJECT_SOURCE_DIR}/packaging/windows)
  foreach(program flashdisk flashdisk-composer)
    if(TARGET ${program})
      install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
  endforeach()
  install(FILES ${windows_packaging}/qt.conf ${windows_packaging}/README.txt DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  install(FILES ${FLASHDISK_QT_TRANSLATIONS}/qtbase_ru.qm DESTINATION translations)
  # The pages take the project's version from here, as the Linux ones do.
  foreach(page cli/flashdisk app/flashdisk-composer)
    get_filename_component(name ${page} NAME)
    set(manual_page ${PROJECT_BINARY_DIR}/packaging/${name}.1)
    configure_file(${PROJECT_SOURCE_DIR}/${page}.1 ${manual_page} @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${name}.html DESTINATION .)
    add_custom_command(
      OUTPUT ${PROJECT_BINARY_DIR}/${name}.html
      COMMAND mandoc -Thtml -Kutf-8 ${manual_page} > ${PROJECT_BINARY_DIR}/${name}.html
      DEPENDS ${manual_page}
      COMMENT "Turning the manual page of ${name} into a web page")
    add_custom_target(${name}_manual_html ALL DEPENDS ${PROJECT_BINARY_DIR}/${name}.html)
  endforeach()
endfunction()
