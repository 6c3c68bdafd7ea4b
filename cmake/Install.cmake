# Installation, the Debian package and the CMake package configuration.
#
# Layout under the prefix:
#   bin/velmora-copier                      the program
#   lib/velmora/                            our shared libraries, the data source
#                                           manager twain_32.so and the *.ds sources
#   share/applications, share/icons/hicolor the desktop entry and its icon
#   share/doc/velmora-copier/index.html     the page the web-site link opens
#   include/velmora/, lib/cmake/Velmora/,   the components for other CMake projects
#   lib/velmora/static/                     (component "dev", not in the .deb)
#
# The rules only look at targets that exist, so a partial tree still installs
# what it has. Everything the program loads sits in lib/velmora and finds its
# neighbours there through $ORIGIN: the installed files alone work, wherever
# the prefix is.

set(VEL_INSTALL_PRIVATE_LIBDIR lib/velmora)
set(VEL_INSTALL_STATIC_LIBDIR lib/velmora/static)
set(VEL_INSTALL_INCLUDEDIR include/velmora)
set(VEL_INSTALL_CMAKEDIR lib/cmake/Velmora)

# Every target defined in a folder and the folders below it.
function(vel_collect_targets out dir)
    get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        vel_collect_targets(below ${sub})
        list(APPEND found ${below})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# The libraries come from the layers below the program: platform/, twain/,
# print/ and components/<name>/.
set(vel_shipped_targets "")
get_property(vel_top_dirs DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
foreach(dir ${vel_top_dirs})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${dir})
    if(rel MATCHES "^(platform|twain|print|components/[^/]+)$")
        vel_collect_targets(found ${dir})
        list(APPEND vel_shipped_targets ${found})
    endif()
endforeach()

set(vel_shared_libs "")
set(vel_plugins "")
set(vel_static_libs "")
foreach(t ${vel_shipped_targets})
    get_target_property(type ${t} TYPE)
    get_target_property(source_dir ${t} SOURCE_DIR)
    if(type STREQUAL "SHARED_LIBRARY")
        list(APPEND vel_shared_libs ${t})
    elseif(type STREQUAL "MODULE_LIBRARY")
        get_target_property(out_dir ${t} LIBRARY_OUTPUT_DIRECTORY)
        if(out_dir STREQUAL VEL_TWAIN_LIBDIR)
            list(APPEND vel_plugins ${t})
        endif()
    elseif(type STREQUAL "STATIC_LIBRARY")
        # What the data sources are built from stays inside them.
        string(FIND "${source_dir}" "${PROJECT_SOURCE_DIR}/twain/dsm" in_dsm)
        if(NOT in_dsm EQUAL 0)
            list(APPEND vel_static_libs ${t})
        endif()
    endif()
endforeach()

# The program and what it loads.
if(TARGET velmora-copier)
    set_target_properties(velmora-copier PROPERTIES INSTALL_RPATH "$ORIGIN/../${VEL_INSTALL_PRIVATE_LIBDIR}")
    install(TARGETS velmora-copier RUNTIME DESTINATION bin COMPONENT copier)
endif()
if(vel_shared_libs OR vel_plugins)
    set_target_properties(${vel_shared_libs} ${vel_plugins} PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()
if(vel_plugins)
    install(TARGETS ${vel_plugins} LIBRARY DESTINATION ${VEL_INSTALL_PRIVATE_LIBDIR} COMPONENT copier)
endif()

# The desktop entry, the icon and the documentation page.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/velmora-copier.desktop
    DESTINATION share/applications COMPONENT copier)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/velmora-copier.svg
    DESTINATION share/icons/hicolor/scalable/apps COMPONENT copier)
if(EXISTS ${PROJECT_SOURCE_DIR}/app/doc/index.html)
    install(FILES ${PROJECT_SOURCE_DIR}/app/doc/index.html
        DESTINATION share/doc/velmora-copier COMPONENT copier)
endif()

# The PNG sizes of the icon, drawn at build time by a small tool on Qt Gui.
set(VEL_ICON_SIZES 16 22 24 32 48 64 128 256)
add_executable(vel_icon_tool ${PROJECT_SOURCE_DIR}/packaging/icons/IconPainter.cpp
    ${PROJECT_SOURCE_DIR}/packaging/icons/make_icons.cpp)
target_link_libraries(vel_icon_tool PRIVATE Qt6::Gui)
set(vel_icon_dir ${CMAKE_BINARY_DIR}/packaging/icons)
set(vel_icon_pngs "")
foreach(size ${VEL_ICON_SIZES})
    list(APPEND vel_icon_pngs ${vel_icon_dir}/${size}x${size}/velmora-copier.png)
    install(FILES ${vel_icon_dir}/${size}x${size}/velmora-copier.png
        DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT copier)
endforeach()
add_custom_command(OUTPUT ${vel_icon_pngs}
    COMMAND vel_icon_tool ${vel_icon_dir} ${VEL_ICON_SIZES}
    DEPENDS vel_icon_tool
    COMMENT "Drawing the icon sizes")
add_custom_target(vel_icons ALL DEPENDS ${vel_icon_pngs})

# The components for other projects: headers, archives, imported targets named
# Velmora::<short name> (vel_parser -> Velmora::parser, vel_win_core ->
# Velmora::win_core).
if(TARGET vel_rtl)
    # Headers are included from the tree's root ("components/midi/TVelMidi.h"),
    # which after installation is include/velmora.
    set_target_properties(vel_rtl PROPERTIES INTERFACE_INCLUDE_DIRECTORIES
        "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>;$<INSTALL_INTERFACE:${VEL_INSTALL_INCLUDEDIR}>")
endif()
set(vel_exported ${vel_shared_libs} ${vel_static_libs})
foreach(t ${vel_exported})
    string(REGEX REPLACE "^vel_" "" short ${t})
    set_target_properties(${t} PROPERTIES EXPORT_NAME ${short})
endforeach()
if(vel_exported)
    install(TARGETS ${vel_shared_libs} EXPORT VelmoraTargets
        LIBRARY DESTINATION ${VEL_INSTALL_PRIVATE_LIBDIR} COMPONENT copier NAMELINK_COMPONENT dev)
    install(TARGETS ${vel_static_libs} EXPORT VelmoraTargets
        ARCHIVE DESTINATION ${VEL_INSTALL_STATIC_LIBDIR} COMPONENT dev)
    foreach(dir platform twain print components)
        if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${dir})
            install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir} DESTINATION ${VEL_INSTALL_INCLUDEDIR} COMPONENT dev
                FILES_MATCHING PATTERN "*.h"
                # The toolkit bindings are private to their libraries.
                PATTERN "qt" EXCLUDE)
        endif()
    endforeach()
    install(EXPORT VelmoraTargets NAMESPACE Velmora:: DESTINATION ${VEL_INSTALL_CMAKEDIR} COMPONENT dev)

    include(CMakePackageConfigHelpers)
    configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VelmoraConfig.cmake.in
        ${CMAKE_BINARY_DIR}/cmake/VelmoraConfig.cmake
        INSTALL_DESTINATION ${VEL_INSTALL_CMAKEDIR} PATH_VARS VEL_INSTALL_PRIVATE_LIBDIR)
    write_basic_package_version_file(${CMAKE_BINARY_DIR}/cmake/VelmoraConfigVersion.cmake
        COMPATIBILITY SameMinorVersion)
    install(FILES ${CMAKE_BINARY_DIR}/cmake/VelmoraConfig.cmake ${CMAKE_BINARY_DIR}/cmake/VelmoraConfigVersion.cmake
        DESTINATION ${VEL_INSTALL_CMAKEDIR} COMPONENT dev)
endif()

# The Debian package: the program's files only (component "copier").
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora-copier)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Scan-and-print copier for the desktop")
set(CPACK_PACKAGE_DESCRIPTION "Copies pages from a scanner (SANE, or the built-in virtual scanner) to a\n printer (CUPS, or PDF files in the Documents folder).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL copier)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_PACKAGE_NAME velmora-copier)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are inside the package; dpkg-shlibdeps must not look for
# another package that provides them.
# (dpkg-shlibdeps runs in the package staging folder, hence the relative path.)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${VEL_INSTALL_PRIVATE_LIBDIR})
# Loaded at run time, so dpkg-shlibdeps cannot see them: the window system
# plugin of the toolkit and the fonts the window asks for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-dejavu-core, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sane-airscan, cups")
include(CPack)
