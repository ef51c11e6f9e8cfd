# cmake -DHELP2MAN=<help2man> -DGZIP=<gzip> -DPROGRAM=<built program> -DDESCRIPTION=<one line>
#       -DVERSION=<version> -DOUTPUT=<page.1.gz> -P MakeManPage.cmake
# Makes a program's manual page from its --help with help2man, compressed as Debian wants it.
# A program whose help lists "Subcommands:" gets a COMMANDS section with each one's --help.
# The program runs by its bare name (its folder first on PATH), so that the page shows
# "divuzo", not the build folder; with an English locale, so that the window's help (whose
# headings come from Qt) is English too; and, for the window, on Qt's offscreen platform, so
# that no display is needed.
cmake_minimum_required(VERSION 3.25)

get_filename_component(folder "${PROGRAM}" DIRECTORY)
get_filename_component(name "${PROGRAM}" NAME)
set(ENV{PATH} "${folder}:$ENV{PATH}")
unset(ENV{LC_ALL})
unset(ENV{LC_MESSAGES})
unset(ENV{LANGUAGE})
set(ENV{LANG} en_US.UTF-8)
set(ENV{QT_QPA_PLATFORM} offscreen)

get_filename_component(output_folder "${OUTPUT}" DIRECTORY)
string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
file(MAKE_DIRECTORY "${output_folder}")

# Lines of the "Subcommands:" list of the help: "  name   description" up to a blank line.
execute_process(COMMAND "${name}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${name} --help failed (${status})")
endif()
set(include_args "")
string(FIND "${help}" "\nSubcommands:\n" at)
if(NOT at EQUAL -1)
  math(EXPR at "${at} + 14")
  string(SUBSTRING "${help}" ${at} -1 list)
  string(FIND "${list}" "\n\n" end)
  string(SUBSTRING "${list}" 0 ${end} list)
  string(REPLACE "\n" ";" lines "${list}")
  set(section "[COMMANDS]\n")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^  ([a-z][a-z0-9-]*)")
      continue()
    endif()
    set(command "${CMAKE_MATCH_1}")
    execute_process(COMMAND "${name}" "${command}" --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${name} ${command} --help failed (${status})")
    endif()
    # The tool's own help already ends with what every command shares (exit status, ...).
    string(FIND "${text}" "\nExit status:\n" shared)
    if(NOT shared EQUAL -1)
      math(EXPR shared "${shared} + 1")
      string(SUBSTRING "${text}" 0 ${shared} text)
    endif()
    # roff: backslashes escaped, no line may start a request.
    string(REPLACE "\\" "\\e" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    string(APPEND section ".SS \"${name} ${command}\"\n.nf\n${text}.fi\n")
  endforeach()
  file(WRITE "${page}.include" "${section}")
  set(include_args --include "${page}.include")
endif()

execute_process(
  COMMAND "${HELP2MAN}" --no-info --locale=en_US.UTF-8 "--version-string=${VERSION}"
          "--name=${DESCRIPTION}" ${include_args} --output "${page}" "${name}"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${name} (${status}): ${errors}")
endif()
execute_process(COMMAND "${GZIP}" -9nf "${page}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
