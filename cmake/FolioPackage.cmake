# The public library `folioworks` (Folioworks::folioworks), its installation and its Debian
# package. Install components: `library` (the shared object), `development` (headers, static
# library or link name, CMake package, pkg-config file), `cli` (folio) and `wizard` (the
# desktop application and its .desktop file). `cpack -G DEB` puts every component in one
# package.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(FOLIO_INCLUDE_DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/folioworks)
set(FOLIO_CMAKE_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Folioworks)
set(FOLIO_PKGCONFIG_DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Installed programs find a shared library next to them, wherever the prefix is.
if(BUILD_SHARED_LIBS AND NOT DEFINED CMAKE_INSTALL_RPATH)
  file(RELATIVE_PATH _bin_to_lib /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_RPATH "$ORIGIN/${_bin_to_lib}")
endif()

# The system libraries a layer may link, by the namespace of their imported targets: the
# package to look for in CMake, the pkg-config module, and the Debian development package.
# A dependency missing here still links; the configure step warns that the package files
# will not name it.
set(FOLIO_SYSTEM_LIBRARIES
    "ZLIB zlib zlib1g-dev"
    "JPEG libjpeg libjpeg-dev"
    "PNG libpng libpng-dev"
    "Freetype freetype2 libfreetype-dev"
    "Fontconfig fontconfig libfontconfig-dev"
    "OpenSSL libcrypto libssl-dev"
    "CURL libcurl libcurl4-openssl-dev")

# folio_public_library(NAME)
# The library hosts link: the objects of every layer in one library (static unless
# BUILD_SHARED_LIBS is on), versioned, with the system libraries the layers use. The layers
# are collected when the top folder has been read, so a layer declared after this call
# is part of it too.
function(folio_public_library name)
  add_library(${name})
  add_library(Folioworks::${name} ALIAS ${name})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                            $<INSTALL_INTERFACE:${FOLIO_INCLUDE_DESTINATION}>)
  target_compile_features(${name} PUBLIC cxx_std_20)
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  # A deferred call reads its arguments when it runs: hand it the name, not the variable.
  cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL _folio_finish_public_library ${name})")
endfunction()

# The system libraries linked by the layers, as given to target_link_libraries.
function(_folio_system_libraries out)
  get_property(_layers GLOBAL PROPERTY FOLIO_LIBRARY_LAYERS)
  set(_system)
  foreach(_l IN LISTS _layers)
    get_target_property(_deps ${_l} INTERFACE_LINK_LIBRARIES)
    foreach(_d IN LISTS _deps)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" _d "${_d}")
      if(_d AND NOT _d IN_LIST _layers)
        list(APPEND _system ${_d})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES _system)
  set(${out} ${_system} PARENT_SCOPE)
endfunction()

function(_folio_finish_public_library name)
  get_property(_layers GLOBAL PROPERTY FOLIO_LIBRARY_LAYERS)
  foreach(_l IN LISTS _layers)
    target_sources(${name} PRIVATE $<TARGET_OBJECTS:${_l}>)
  endforeach()
  _folio_system_libraries(_system)
  # Hosts see only the library's own headers, which use the standard library alone, so the
  # system libraries are private: a shared library carries them, and for a static one
  # CMake passes them on at link time only.
  target_link_libraries(${name} PRIVATE ${_system})

  get_target_property(_type ${name} TYPE)
  set(_find_deps "")
  set(_pc_requires)
  set(_pc_libs)
  set(_deb_depends)
  foreach(_lib IN LISTS _system)
    string(REGEX MATCH "^[^:]+" _ns "${_lib}")
    set(_known FALSE)
    foreach(_row IN LISTS FOLIO_SYSTEM_LIBRARIES)
      string(REPLACE " " ";" _row "${_row}")
      list(GET _row 0 _pkg)
      if(_pkg STREQUAL _ns)
        list(GET _row 1 _pc)
        list(GET _row 2 _deb)
        set(_known TRUE)
      endif()
    endforeach()
    if(_known)
      string(APPEND _find_deps "find_dependency(${_ns})\n")
      list(APPEND _pc_requires ${_pc})
      list(APPEND _deb_depends ${_deb})
    elseif(_lib MATCHES "::")
      message(WARNING "${_lib}: add its package to FOLIO_SYSTEM_LIBRARIES in ${CMAKE_CURRENT_FUNCTION_LIST_FILE}")
    else()
      list(APPEND _pc_libs "-l${_lib}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _pc_requires)
  list(REMOVE_DUPLICATES _deb_depends)
  # A shared library needs nothing of its dependencies' development files.
  if(_type STREQUAL "SHARED_LIBRARY")
    set(_find_deps "")
    set(_pc_requires)
    set(_pc_libs)
    set(_deb_depends)
  endif()

  install(TARGETS ${name} EXPORT FolioworksTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/core ${PROJECT_SOURCE_DIR}/pdf DESTINATION ${FOLIO_INCLUDE_DESTINATION}
          COMPONENT development FILES_MATCHING PATTERN "*.h")
  install(EXPORT FolioworksTargets NAMESPACE Folioworks:: DESTINATION ${FOLIO_CMAKE_DESTINATION}
          COMPONENT development)

  set(FOLIO_FIND_DEPENDENCIES "${_find_deps}")
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/FolioworksConfig.cmake.in
                                ${PROJECT_BINARY_DIR}/FolioworksConfig.cmake
                                INSTALL_DESTINATION ${FOLIO_CMAKE_DESTINATION})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/FolioworksConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/FolioworksConfig.cmake ${PROJECT_BINARY_DIR}/FolioworksConfigVersion.cmake
          DESTINATION ${FOLIO_CMAKE_DESTINATION} COMPONENT development)

  # The .pc file finds its prefix from where it lies, so a moved prefix still works.
  file(RELATIVE_PATH FOLIO_PC_PREFIX /p/${FOLIO_PKGCONFIG_DESTINATION} /p)
  string(REGEX REPLACE "/$" "" FOLIO_PC_PREFIX "${FOLIO_PC_PREFIX}")
  list(JOIN _pc_requires " " FOLIO_PC_REQUIRES_PRIVATE)
  list(JOIN _pc_libs " " FOLIO_PC_LIBS_PRIVATE)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/folioworks.pc.in ${PROJECT_BINARY_DIR}/folioworks.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/folioworks.pc DESTINATION ${FOLIO_PKGCONFIG_DESTINATION}
          COMPONENT development)

  _folio_cpack("${_deb_depends}")
endfunction()

# One Debian package with every component. The shared objects' and programs' dependencies
# are found by dpkg-shlibdeps; a static library adds the development packages its users'
# links need.
function(_folio_cpack dev_depends)
  set(CPACK_PACKAGE_NAME folioworks)
  set(CPACK_PACKAGE_VENDOR Folioworks)
  set(CPACK_PACKAGE_CONTACT "Folioworks maintainers <maintainers@folioworks.invalid>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PDF library, the folio command-line tool and the Folioworks wizard")
  set(CPACK_PACKAGE_DESCRIPTION
      "Folioworks reads, merges, splits, protects and writes PDF files. This package holds the C++ library "
      "with its headers, CMake package and pkg-config file, the folio command-line tool and, when it was "
      "built, the wizard.")
  string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  list(JOIN dev_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
  set(CPACK_DEB_COMPONENT_INSTALL OFF)
  include(CPack)
endfunction()
