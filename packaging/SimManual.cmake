# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the manual page of torven-sim from what `torven-sim --help` prints, so that the two never
# tell different stories: the usage line becomes the synopsis, the lines under it the description,
# each "Patterns:" and "Options:" entry a tagged paragraph, and the closing "Exit status:" line
# its own section. TEMPLATE holds the rest of the page.
#
#   cmake -DSIM=torven-sim -DTEMPLATE=torven-sim.1.in -DOUTPUT=torven-sim.1
#         -DTORVEN_RELEASE_DATE=YYYY-MM-DD -P SimManual.cmake

execute_process(COMMAND ${SIM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SIM} --help failed: ${status}")
endif()

# Roff reads a backslash as an escape and a hyphen as a hyphen rather than a minus sign; CMake
# reads a semicolon as a list separator and brackets as list quoting.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REPLACE ";" "@SEMICOLON@" help "${help}")
string(REPLACE "[" "@OPEN@" help "${help}")
string(REPLACE "]" "@CLOSE@" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

# A text line that starts with a full stop or an apostrophe would be read as a request.
function(as_text text result)
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

set(page "")
foreach(line IN LISTS lines)
  if(line MATCHES "^usage: ([^ ]+) (.*)$")
    string(APPEND page ".SH SYNOPSIS\n.B ${CMAKE_MATCH_1}\n${CMAKE_MATCH_2}\n.SH DESCRIPTION\n")
  elseif(line STREQUAL "")
  elseif(line MATCHES "^([A-Z][a-z]+):$")
    string(TOUPPER "${CMAKE_MATCH_1}" heading)
    string(APPEND page ".SH ${heading}\n")
  elseif(line MATCHES "^Exit status: (.*)$")
    as_text("${CMAKE_MATCH_1}" text)
    string(APPEND page ".SH \"EXIT STATUS\"\n${text}\n")
  elseif(line MATCHES "^  ([^ ]+( [^ ]+)?)  +(.*)$")
    set(term "${CMAKE_MATCH_1}")
    as_text("${CMAKE_MATCH_3}" text)
    string(APPEND page ".TP\n.B ${term}\n${text}\n")
  else()
    string(STRIP "${line}" line)
    as_text("${line}" text)
    string(APPEND page "${text}\n")
  endif()
endforeach()
string(REPLACE "@SEMICOLON@" ";" page "${page}")
string(REPLACE "@OPEN@" "[" page "${page}")
string(REPLACE "@CLOSE@" "]" page "${page}")
string(STRIP "${page}" TORVEN_SIM_HELP)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
