cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch prefix and checks that the programs, the
# sample folders, the desktop entry and the icon land where desktops look.
set(prefix "${BINARY_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BINARY_DIR}" --prefix "${prefix}" RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(path bin/quivane bin/quivane-batch share/quivane/Pictures/PLANET_0001.BMP share/quivane/Videos/PLANET.AVI
             share/quivane/PSF/_Gauss15x15.bmp share/applications/quivane.desktop
             share/icons/hicolor/scalable/apps/quivane.svg)
  if(NOT EXISTS "${prefix}/${path}")
    message(FATAL_ERROR "missing after install: ${path}")
  endif()
endforeach()
file(REMOVE_RECURSE "${prefix}")
