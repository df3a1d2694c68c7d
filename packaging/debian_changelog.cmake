# Writes CHANGELOG.md as a Debian changelog, the form dpkg and lintian read
# in a native package's usr/share/doc/<package>/changelog.gz:
#
#   cmake -DSOURCE=CHANGELOG.md -DOUTPUT=changelog -DPACKAGE=kelvane
#         -DVERSION=1.1.0 "-DMAINTAINER=Name <address>" -P debian_changelog.cmake
#
# Each "## X.Y.Z (YYYY-MM-DD)" heading becomes an entry; "## Unreleased" is
# left out, since those changes have no version yet. A "- " item becomes a
# "  * " item and a paragraph a line of its own, rewrapped to 78 columns,
# with Markdown's ** and backticks dropped. Releases are dated at midnight
# UTC, or a minute after the release before them when it was the same day.
# The newest version must be VERSION, the one the package is built with.
cmake_minimum_required(VERSION 3.18)
foreach(var SOURCE OUTPUT PACKAGE VERSION MAINTAINER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "debian_changelog.cmake: -D${var}=... is missing")
  endif()
endforeach()

# RFC 2822 date of YYYY-MM-DD at MINUTES past midnight UTC; the weekday from
# the days since 1970-01-01, a Thursday (days_from_civil, proleptic
# Gregorian).
function(rfc2822_date iso minutes out)
  if(NOT iso MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "${SOURCE}: '${iso}' is not a YYYY-MM-DD date")
  endif()
  math(EXPR y "${CMAKE_MATCH_1}")
  math(EXPR m "1${CMAKE_MATCH_2} - 100")
  math(EXPR d "1${CMAKE_MATCH_3} - 100")
  if(m LESS_EQUAL 2)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR era "${y} / 400")
  math(EXPR yoe "${y} - ${era} * 400")
  math(EXPR mp "(${m} + 9) % 12")
  math(EXPR doy "(153 * ${mp} + 2) / 5 + ${d} - 1")
  math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
  math(EXPR days "${era} * 146097 + ${doe} - 719468")
  math(EXPR weekday "(${days} + 4) % 7")
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} wd)
  math(EXPR mi "${m} - 1")
  list(GET months ${mi} mn)
  math(EXPR hh "100 + ${minutes} / 60")
  math(EXPR mm "100 + ${minutes} % 60")
  string(SUBSTRING "${hh}" 1 2 hh)
  string(SUBSTRING "${mm}" 1 2 mm)
  set(${out} "${wd}, ${CMAKE_MATCH_3} ${mn} ${CMAKE_MATCH_1} ${hh}:${mm}:00 +0000" PARENT_SCOPE)
endfunction()

# Appends TEXT to the variable named by OUT, wrapped to 78 columns, the
# first line after FIRST and the others after REST.
function(append_wrapped out text first rest)
  string(REGEX REPLACE "\\*\\*|`" "" text "${text}")
  string(REGEX REPLACE "[ \t]+" ";" words "${text}")
  set(result "${${out}}")
  set(line "${first}")
  set(empty TRUE)
  foreach(word IN LISTS words)
    string(LENGTH "${line} ${word}" width)
    if(empty)
      string(APPEND line "${word}")
      set(empty FALSE)
    elseif(width GREATER 78)
      string(APPEND result "${line}\n")
      set(line "${rest}${word}")
    else()
      string(APPEND line " ${word}")
    endif()
  endforeach()
  string(APPEND result "${line}\n")
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# One list element a line; a semicolon in the text travels as ASCII 31.
file(READ "${SOURCE}" content)
string(ASCII 31 semicolon)
string(REPLACE ";" "${semicolon}" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
set(text "")         # the changelog so far
set(entry "")        # the body of the entry being read
set(item "")         # the item or paragraph being read, on one line
set(item_kind "")    # list or para
set(version "")      # the entry's version, empty in Unreleased or before
set(date "")
set(newest "")
set(entries 0)       # entries read; entry I is in version_I, date_I, entry_I

macro(flush_item)
  if(NOT item STREQUAL "" AND NOT version STREQUAL "")
    if(item_kind STREQUAL list)
      append_wrapped(entry "${item}" "  * " "    ")
    else()
      if(NOT entry STREQUAL "")
        string(APPEND entry "\n")
      endif()
      append_wrapped(entry "${item}" "  " "  ")
      string(APPEND entry "\n")
    endif()
  endif()
  set(item "")
endmacro()

macro(flush_entry)
  flush_item()
  if(NOT version STREQUAL "")
    if(entry STREQUAL "")
      message(FATAL_ERROR "${SOURCE}: version ${version} lists no changes")
    endif()
    string(STRIP "${entry}" entry_${entries})
    set(version_${entries} "${version}")
    set(date_${entries} "${date}")
    math(EXPR entries "${entries} + 1")
  endif()
  set(entry "")
endmacro()

foreach(line IN LISTS lines)
  if(line MATCHES "^## ")
    flush_entry()
    if(line MATCHES "^## ([0-9][^ ]*) \\(([^)]*)\\)$")
      set(version "${CMAKE_MATCH_1}")
      set(date "${CMAKE_MATCH_2}")
      if(newest STREQUAL "")
        set(newest "${version}")
      endif()
    elseif(line MATCHES "^## Unreleased")
      set(version "")
    else()
      message(FATAL_ERROR "${SOURCE}: '${line}' is neither '## Unreleased' nor '## X.Y.Z (YYYY-MM-DD)'")
    endif()
  elseif(line MATCHES "^- (.*)")
    flush_item()
    set(item "${CMAKE_MATCH_1}")
    set(item_kind list)
  elseif(line MATCHES "^[ \t]*$" OR line MATCHES "^# ")
    flush_item()
  else()
    string(STRIP "${line}" line)
    if(item STREQUAL "")
      set(item "${line}")
      set(item_kind para)
    else()
      string(APPEND item " ${line}")
    endif()
  endif()
endforeach()
flush_entry()

if(NOT newest STREQUAL VERSION)
  message(FATAL_ERROR "${SOURCE}: the newest release is '${newest}', but the project's version is ${VERSION}: "
    "move the Unreleased changes under '## ${VERSION} (date)'")
endif()
# Each entry must be dated after the one before it, so releases made on the
# same day are put one minute apart, the oldest at midnight.
set(minutes 0)
set(previous "")
math(EXPR last "${entries} - 1")
foreach(i RANGE ${last} 0 -1)
  if(date_${i} STREQUAL previous)
    math(EXPR minutes "${minutes} + 1")
  else()
    set(minutes 0)
  endif()
  set(previous "${date_${i}}")
  rfc2822_date("${date_${i}}" ${minutes} when_${i})
endforeach()
foreach(i RANGE ${last})
  string(APPEND text "${PACKAGE} (${version_${i}}) unstable; urgency=medium\n\n  ${entry_${i}}\n\n"
    " -- ${MAINTAINER}  ${when_${i}}\n\n")
endforeach()
string(STRIP "${text}" text)
string(REPLACE "${semicolon}" ";" text "${text}")
file(WRITE "${OUTPUT}" "${text}\n")
