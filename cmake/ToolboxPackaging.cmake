# How hosts receive the library: its consumer interface, a versioned SONAME, the export filter,
# and the install tree (public headers, CMake package, pkg-config file).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The public headers: these roots and every project header they include, nothing more. A new
# host interface adds its header here; the export list and the host-build test then show what it
# brings along.
set(TOOLBOX_PUBLIC_HEADER_ROOTS cleanup/Cleanup.h picking/Picker.h intersection/Intersector.h
    material/SimpleTexture.h)

# Project headers include each other as "folder/Name.h", so the include tree mirrors src/.
set(TOOLBOX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/toolbox)
set(TOOLBOX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/toolbox)

target_include_directories(toolbox PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
    $<INSTALL_INTERFACE:${TOOLBOX_INSTALL_INCLUDEDIR}>)
target_link_libraries(toolbox PUBLIC Boost::headers Boost::thread)

# Before 1.0 every minor release may change the interface, so the SONAME carries both numbers.
set_target_properties(toolbox PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}
    INSTALL_RPATH "$ORIGIN")  # libglutess.so is installed next to it

set(TOOLBOX_VERSION_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/libtoolbox.version)
target_link_options(toolbox PRIVATE "LINKER:--version-script=${TOOLBOX_VERSION_SCRIPT}")
set_property(TARGET toolbox APPEND PROPERTY LINK_DEPENDS ${TOOLBOX_VERSION_SCRIPT})

# The checked-in list of what libtoolbox.so exports; a test compares it with the built library.
set(TOOLBOX_EXPORTED_SYMBOLS ${PROJECT_SOURCE_DIR}/src/libtoolbox.symbols)
set(TOOLBOX_EXPORTED_SYMBOLS_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/exported-symbols.sh)
add_custom_target(update_exported_symbols
    COMMAND bash ${TOOLBOX_EXPORTED_SYMBOLS_SCRIPT} update ${CMAKE_NM} $<TARGET_FILE:toolbox>
            ${TOOLBOX_EXPORTED_SYMBOLS}
    DEPENDS toolbox
    COMMENT "Rewriting src/libtoolbox.symbols from the built libtoolbox.so"
    VERBATIM)

# Collects the include closure of the given headers (paths relative to src/).
function(toolbox_header_closure out)
    set(pending ${ARGN})
    set(found)
    while(pending)
        list(POP_FRONT pending header)
        if(header IN_LIST found)
            continue()
        endif()
        set(path ${PROJECT_SOURCE_DIR}/src/${header})
        if(NOT EXISTS ${path})
            message(FATAL_ERROR "public header ${header} includes a file that is not in src/")
        endif()
        list(APPEND found ${header})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
        file(STRINGS ${path} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
            list(APPEND pending ${included})
        endforeach()
    endwhile()
    list(SORT found)
    set(${out} ${found} PARENT_SCOPE)
endfunction()

toolbox_header_closure(TOOLBOX_PUBLIC_HEADERS ${TOOLBOX_PUBLIC_HEADER_ROOTS})
foreach(header IN LISTS TOOLBOX_PUBLIC_HEADERS)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES src/${header} DESTINATION ${TOOLBOX_INSTALL_INCLUDEDIR}/${folder})
endforeach()

install(TARGETS toolbox glutess EXPORT toolboxTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT toolboxTargets NAMESPACE toolbox:: DESTINATION ${TOOLBOX_INSTALL_CMAKEDIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/toolboxConfig.cmake.in
    ${PROJECT_BINARY_DIR}/toolboxConfig.cmake INSTALL_DESTINATION ${TOOLBOX_INSTALL_CMAKEDIR})
# Same rule as the SONAME: only a matching major and minor version will do.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/toolboxConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/toolboxConfig.cmake
    ${PROJECT_BINARY_DIR}/toolboxConfigVersion.cmake DESTINATION ${TOOLBOX_INSTALL_CMAKEDIR})

# The pkg-config file finds its prefix from its own place, so `cmake --install --prefix` works.
file(RELATIVE_PATH TOOLBOX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" TOOLBOX_PC_TO_PREFIX ${TOOLBOX_PC_TO_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/toolbox.pc.in ${PROJECT_BINARY_DIR}/toolbox.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/toolbox.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
