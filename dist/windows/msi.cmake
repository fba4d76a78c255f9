# The per-user Windows installer: `cmake --build TREE --target msi` (and
# every build of the tree where wixl is installed) makes
# tonegen-<version>-<x64|x86>.msi in the tree with msitools' wixl from
# tonegen.wxs.in (which says what it installs and how). Included by
# dist/CMakeLists.txt for a Windows tree, after the zip's files are set.
#
# The files are those of the zip: the tree is installed, stripped, into a
# folder of its own and the package takes them from there.
find_program(TONEGEN_WIXL wixl DOC "msitools' MSI builder (Debian package wixl)")
# The same for every version: it is how a newer installer finds the older one.
set(TONEGEN_UPGRADE_CODE 8c9175b3-87e5-40b3-829d-29bc18cf9d61)

# Names the maker chose may hold characters XML takes for its own.
function(tonegen_xml_escape variable)
  set(text "${${variable}}")
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

set(msi_stage ${CMAKE_CURRENT_BINARY_DIR}/msi-stage)
set(TONEGEN_MSI_PRESET_FILES)
foreach(preset ${TONEGEN_WINDOWS_PRESETS})
  get_filename_component(name ${preset} NAME)
  string(MAKE_C_IDENTIFIER "preset_${name}" id)
  string(APPEND TONEGEN_MSI_PRESET_FILES
         "                <File Id=\"${id}\" Name=\"${name}\" Source=\"presets/${name}\"/>\n")
endforeach()
string(STRIP "${TONEGEN_MSI_PRESET_FILES}" TONEGEN_MSI_PRESET_FILES)
set(TONEGEN_MSI_PRESET_FILES "                ${TONEGEN_MSI_PRESET_FILES}")
set(icon ${PROJECT_BINARY_DIR}/src/platform/win32/tonegen.ico)
file(RELATIVE_PATH TONEGEN_ICON ${msi_stage} ${icon})
block(SCOPE_FOR VARIABLES)
  foreach(setting TONEGEN_MAKER TONEGEN_PRODUCT_LINE TONEGEN_SOFTWARE_PAGE)
    tonegen_xml_escape(${setting})
  endforeach()
  configure_file(windows/tonegen.wxs.in tonegen.wxs @ONLY)
endblock()

if(TONEGEN_WINDOWS_ARCHITECTURE STREQUAL x64)
  set(win64 yes)
else()
  set(win64 no)
endif()
set(TONEGEN_MSI ${PROJECT_BINARY_DIR}/tonegen-${PROJECT_VERSION}-${TONEGEN_WINDOWS_ARCHITECTURE}.msi)
# How the package is made, with the version and the output (an absolute
# path) left to the caller: the installer's test makes a newer one of the
# same files with it.
set(TONEGEN_WIXL_COMMAND ${CMAKE_COMMAND} -E chdir ${msi_stage} ${TONEGEN_WIXL} -a ${TONEGEN_WINDOWS_ARCHITECTURE}
                         -D Win64=${win64} ${CMAKE_CURRENT_BINARY_DIR}/tonegen.wxs)
if(NOT TONEGEN_WIXL)
  add_custom_target(msi
                    COMMAND ${CMAKE_COMMAND} -E echo "no wixl here: install the Debian package wixl (scripts/setup.sh test)"
                    COMMAND ${CMAKE_COMMAND} -E false
                    VERBATIM)
  return()
endif()
add_custom_command(
  OUTPUT ${TONEGEN_MSI}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${msi_stage}
  COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${msi_stage} --strip
  COMMAND ${TONEGEN_WIXL_COMMAND} -D Version=${PROJECT_VERSION} -o ${TONEGEN_MSI}
  DEPENDS tonegen tonegen-render tonegen-measure ${CMAKE_CURRENT_BINARY_DIR}/tonegen.wxs ${TONEGEN_WINDOWS_PRESETS}
          ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt ${icon}
  COMMENT "Making ${TONEGEN_MSI}"
  VERBATIM)
# Made with every build, so that the tests find it.
add_custom_target(msi ALL DEPENDS ${TONEGEN_MSI})
# For the installer's test (tests/win32).
set(TONEGEN_MSI ${TONEGEN_MSI} PARENT_SCOPE)
set(TONEGEN_WIXL_COMMAND ${TONEGEN_WIXL_COMMAND} PARENT_SCOPE)
