# cmake -DTS=<file.ts> -DOUTPUT=<file.cpp> -P MakeEnglishTexts.cmake
# Writes the core's English table (declared in EnglishTexts.h) from the translation source:
# every message with a finished, non-empty translation. The build runs it whenever the .ts
# changes, so the .ts stays the one place where English is written.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/TranslationFile.cmake)

# `text` as the inside of a C++ string literal (UTF-8 bytes stay as they are).
function(_divuzo_cpp_literal text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

divuzo_read_ts("${TS}" ts)
set(rows "")
set(taken 0)
if(ts_COUNT GREATER 0)
  math(EXPR last "${ts_COUNT} - 1")
  foreach(i RANGE ${last})
    if(NOT ts_STATE_${i} STREQUAL "finished" OR "${ts_TRANSLATION_${i}}" STREQUAL "")
      continue()
    endif()
    _divuzo_cpp_literal("${ts_CONTEXT_${i}}" context)
    _divuzo_cpp_literal("${ts_SOURCE_${i}}" source)
    _divuzo_cpp_literal("${ts_COMMENT_${i}}" comment)
    _divuzo_cpp_literal("${ts_TRANSLATION_${i}}" english)
    string(APPEND rows "    {\"${context}\", \"${source}\", \"${comment}\", \"${english}\"},\n")
    math(EXPR taken "${taken} + 1")
  endforeach()
endif()
if(taken EQUAL 0)
  # An array needs one element; a table without any translation has none to look up.
  set(rows "    {\"\", \"\", \"\", \"\"},\n")
endif()

file(WRITE "${OUTPUT}.tmp"
  "// Made by the build from ${TS}; edit the .ts file, not this one.\n"
  "#include \"EnglishTexts.h\"\n\n"
  "namespace divuzo {\n\n"
  "const EnglishText kEnglishTexts[] = {\n${rows}};\n"
  "const std::size_t kEnglishTextCount = ${taken};\n\n"
  "} // namespace divuzo\n")
# Only a changed table is written, so an unchanged one does not rebuild its users.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
