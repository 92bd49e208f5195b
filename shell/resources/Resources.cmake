# Resource build of rtouch.exe: the icons are drawn at build time into the
# build tree, the manifest names the architecture being built (Windows
# refuses to start a program whose manifest names another), and the
# resource script is read as UTF-8. rtouchctl.exe gets the same manifest:
# a 32-bit program without one runs virtualised, its writes to protected
# folders silently redirected to the user's VirtualStore.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(RTOUCH_RESOURCE_DIR ${CMAKE_CURRENT_BINARY_DIR}/shell/resources)
set(RTOUCH_ICONS ${RTOUCH_RESOURCE_DIR}/rtouch_small.ico ${RTOUCH_RESOURCE_DIR}/rtouch_large.ico)
add_custom_command(
  OUTPUT ${RTOUCH_ICONS}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/shell/resources/make_icons.py ${RTOUCH_RESOURCE_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/shell/resources/make_icons.py
  COMMENT "Drawing the application icons")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(RTOUCH_MANIFEST_ARCH amd64)
else()
  set(RTOUCH_MANIFEST_ARCH x86)
endif()
set(RTOUCH_MANIFEST_NAME ZRN.RTouch)
configure_file(${CMAKE_SOURCE_DIR}/shell/resources/rtouch.manifest.in ${RTOUCH_RESOURCE_DIR}/rtouch.manifest @ONLY)
set(RTOUCH_MANIFEST_NAME ZRN.RTouchCtl)
configure_file(${CMAKE_SOURCE_DIR}/shell/resources/rtouch.manifest.in ${RTOUCH_RESOURCE_DIR}/rtouchctl.manifest @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/tools/rtouchctl/rtouchctl.rc PROPERTIES
  OBJECT_DEPENDS ${RTOUCH_RESOURCE_DIR}/rtouchctl.manifest)
target_sources(rtouchctl PRIVATE ${CMAKE_SOURCE_DIR}/tools/rtouchctl/rtouchctl.rc)
target_include_directories(rtouchctl PRIVATE ${RTOUCH_RESOURCE_DIR})
set_source_files_properties(${CMAKE_SOURCE_DIR}/shell/resources/rtouch.rc PROPERTIES
  COMPILE_OPTIONS --codepage=65001
  OBJECT_DEPENDS "${RTOUCH_ICONS};${CMAKE_SOURCE_DIR}/shell/resources/resource.h;${RTOUCH_RESOURCE_DIR}/rtouch.manifest")
target_sources(rtouch PRIVATE ${RTOUCH_ICONS})
target_include_directories(rtouch PRIVATE ${RTOUCH_RESOURCE_DIR} ${CMAKE_SOURCE_DIR}/shell/resources)
