# cmake -DLUPDATE=<lupdate> -DTS=<file.ts> -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder>
#       -P CheckTranslations.cmake
# Finds every text marked for translation in the sources (tr(), QT_TRANSLATE_NOOP and the core's
# DIVUZO_TR) with lupdate, and fails when one with Japanese in it has no finished English in
# the translation, or when the translation holds a text (outside the string table) that no
# source uses any more. The messages to add are printed ready to paste.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/TranslationFile.cmake)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(found_ts "${WORK_DIR}/found.ts")
execute_process(
  COMMAND "${LUPDATE}" -silent -locations none -no-obsolete -extensions cpp,h
          -source-language ja_JP -target-language en_US
          -tr-function-alias QT_TRANSLATE_NOOP+=DIVUZO_TR
          "${SOURCE_DIR}/src" "${SOURCE_DIR}/resources" "${SOURCE_DIR}/tools" -ts "${found_ts}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS "${found_ts}")
  message(FATAL_ERROR "lupdate failed (${status}):\n${output}")
endif()

divuzo_read_ts("${found_ts}" found)
divuzo_read_ts("${TS}" have)

function(_divuzo_xml text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(_divuzo_key context source comment out)
  string(MD5 key "${context}\n${source}\n${comment}")
  set(${out} "${key}" PARENT_SCOPE)
endfunction()

if(have_COUNT GREATER 0)
  math(EXPR last "${have_COUNT} - 1")
  foreach(i RANGE ${last})
    _divuzo_key("${have_CONTEXT_${i}}" "${have_SOURCE_${i}}" "${have_COMMENT_${i}}" key)
    if(have_STATE_${i} STREQUAL "finished" AND NOT "${have_TRANSLATION_${i}}" STREQUAL "")
      set(translated_${key} TRUE)
    endif()
  endforeach()
endif()

set(missing "")
set(missing_count 0)
if(found_COUNT GREATER 0)
  math(EXPR last "${found_COUNT} - 1")
  foreach(i RANGE ${last})
    _divuzo_key("${found_CONTEXT_${i}}" "${found_SOURCE_${i}}" "${found_COMMENT_${i}}" key)
    set(used_${key} TRUE)
    # Texts that are English already need no translation.
    if(NOT "${found_SOURCE_${i}}" MATCHES "[^\t\n\r -~]" OR translated_${key})
      continue()
    endif()
    _divuzo_xml("${found_SOURCE_${i}}" source)
    _divuzo_xml("${found_COMMENT_${i}}" comment)
    string(APPEND missing "<context>\n    <name>${found_CONTEXT_${i}}</name>\n    <message>\n"
                          "        <source>${source}</source>\n")
    if(NOT comment STREQUAL "")
      string(APPEND missing "        <comment>${comment}</comment>\n")
    endif()
    string(APPEND missing "        <translation>ENGLISH</translation>\n    </message>\n</context>\n")
    math(EXPR missing_count "${missing_count} + 1")
  endforeach()
endif()

set(unused "")
if(have_COUNT GREATER 0)
  math(EXPR last "${have_COUNT} - 1")
  foreach(i RANGE ${last})
    if(have_CONTEXT_${i} STREQUAL "StringTable")
      continue()  # looked up by id, not found in the sources by lupdate
    endif()
    _divuzo_key("${have_CONTEXT_${i}}" "${have_SOURCE_${i}}" "${have_COMMENT_${i}}" key)
    if(NOT used_${key})
      string(APPEND unused "  ${have_CONTEXT_${i}}: ${have_SOURCE_${i}}\n")
    endif()
  endforeach()
endif()

if(missing_count GREATER 0 OR NOT unused STREQUAL "")
  set(report "")
  if(missing_count GREATER 0)
    string(APPEND report "${missing_count} Japanese text(s) without English in ${TS}; add:\n${missing}")
  endif()
  if(NOT unused STREQUAL "")
    string(APPEND report "Translated texts that no source uses any more (remove them from ${TS}):\n${unused}")
  endif()
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "${found_COUNT} texts in the sources, every Japanese one translated")
