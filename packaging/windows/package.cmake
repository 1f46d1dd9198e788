# pictavex-<version>-win64.zip: the one self-contained pictavex.exe, a README for Windows
# users, the licence texts of everything linked into it, and libpictavex for programs of
# one's own: pictavex.dll beside the tool, its header, import library and pkg-config file;
# and the Explorer thumbnail handler with the scripts that register it.
set(licences ${CMAKE_CURRENT_BINARY_DIR}/licences)
set(sources ${PICTAVEX_WINDOWS_DEPS}/sources)
file(GLOB spng_dir LIST_DIRECTORIES true ${sources}/libspng-[0-9]*)
file(GLOB pixman_dir LIST_DIRECTORIES true ${sources}/pixman-[0-9]*)
configure_file(${spng_dir}/LICENSE ${licences}/libspng.txt COPYONLY)
configure_file(${pixman_dir}/COPYING ${licences}/pixman.txt COPYONLY)
configure_file(/usr/share/doc/libz-mingw-w64-dev/copyright ${licences}/zlib.txt COPYONLY)
configure_file(/usr/share/doc/gcc-mingw-w64-base/copyright ${licences}/gcc-runtime.txt COPYONLY)
configure_file(/usr/share/doc/mingw-w64-x86-64-dev/copyright ${licences}/mingw-w64.txt COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright ${licences}/pictavex.txt COPYONLY)

install(TARGETS pictavex RUNTIME DESTINATION .)
install(TARGETS pictavex-thumbnail LIBRARY DESTINATION .)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/windows/install.cmd
              ${CMAKE_CURRENT_SOURCE_DIR}/windows/uninstall.cmd DESTINATION .)
install(TARGETS pictavex_shared RUNTIME DESTINATION . ARCHIVE DESTINATION lib)
install(FILES ${PROJECT_SOURCE_DIR}/lib/pictavex.h DESTINATION include)
install(FILES ${PROJECT_BINARY_DIR}/lib/relocatable/pictavex.pc DESTINATION lib/pkgconfig)
# README.txt with the line ends of Windows, whatever the sources have.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/windows/README.txt readme)
string(REPLACE "\r\n" "\n" readme "${readme}")
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/README.txt "${readme}")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)
install(DIRECTORY ${licences}/ DESTINATION licences)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME pictavex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME pictavex-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)  # one folder, pictavex-VERSION-win64, as Windows users expect
set(CPACK_STRIP_FILES ON)
include(CPack)
