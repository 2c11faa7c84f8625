# SPDX-License-Identifier: GPL-3.0-or-later
# Gathers the attribution files of Qt's source (qt_attribution.json, as kept by scripts/windows
# under SOURCE) into one text, OUTPUT: for each piece of code from elsewhere inside the Qt
# libraries, its name, version, where it comes from, its licence and copyright, and the licence
# text it names. Pieces for other systems or for parts of Qt not shipped with torven are left out.
#
#   cmake -DSOURCE=<folder> -DOUTPUT=<file> -P QtAttributions.cmake

set(left_out /android/ /gradle/ /wasm/ /xcb/ /cocoa/ /dbus/ /testlib/ /forkfd/ /network/ /libpsl/ /libjpeg/)

file(GLOB_RECURSE attributions LIST_DIRECTORIES false "${SOURCE}/src/*/qt_attribution.json")
list(SORT attributions)

set(text "Code from other projects inside the Qt libraries of this folder\n")
string(APPEND text "(from the attribution files of Qt's source)\n")

function(field out json name)
  string(JSON value ERROR_VARIABLE missing GET "${json}" ${name})
  if(missing)
    set(value "")
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# Appends one entry of an attribution file (a JSON object) to `text`.
function(describe entry folder)
  field(name "${entry}" Name)
  field(version "${entry}" Version)
  field(homepage "${entry}" Homepage)
  field(license "${entry}" License)
  field(license_id "${entry}" LicenseId)
  field(copyright "${entry}" Copyright)
  field(license_file "${entry}" LicenseFile)
  string(APPEND text "\n==============================================================================\n")
  string(APPEND text "${name}")
  if(version)
    string(APPEND text " ${version}")
  endif()
  string(APPEND text "\n")
  if(homepage)
    string(APPEND text "${homepage}\n")
  endif()
  string(APPEND text "License: ${license} (${license_id})\n\n${copyright}\n")
  if(license_file AND EXISTS "${folder}/${license_file}")
    file(READ "${folder}/${license_file}" license_text)
    string(APPEND text "\n${license_text}\n")
  endif()
  set(text "${text}" PARENT_SCOPE)
endfunction()

foreach(attribution IN LISTS attributions)
  set(skip FALSE)
  foreach(part IN LISTS left_out)
    string(FIND "${attribution}" "${part}" at)
    if(NOT at EQUAL -1)
      set(skip TRUE)
    endif()
  endforeach()
  if(skip)
    continue()
  endif()
  get_filename_component(folder "${attribution}" DIRECTORY)
  file(READ "${attribution}" content)
  string(JSON kind TYPE "${content}")
  if(kind STREQUAL "ARRAY")
    string(JSON count LENGTH "${content}")
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      string(JSON entry GET "${content}" ${i})
      describe("${entry}" "${folder}")
    endforeach()
  else()
    describe("${content}" "${folder}")
  endif()
endforeach()

file(WRITE "${OUTPUT}" "${text}")
