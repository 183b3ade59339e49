# Makes the manual page vesk.1 from the program's own help: help2man reads `vesk --help`, and
# the help of every command it lists goes into a COMMANDS section of its own, so the page says
# what the program says, word for word.
#
#   cmake -DVESK=<vesk> -DHELP2MAN=<help2man> -DVERSION=<x.y.z> -DOUTPUT=<vesk.1> -P manual.cmake
foreach(variable VESK HELP2MAN VERSION OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "manual.cmake needs -D${variable}=...")
  endif()
endforeach()

function(help_of out)
  execute_process(COMMAND ${VESK} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${VESK} ${ARGN} --help failed (${status})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text shown as it stands: no line may start a roff request, and a backslash is a backslash.
function(as_roff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" "\n\\&" text "\\&${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(general)
# The commands are the first words of the lines under "commands:", up to the blank line.
string(REGEX MATCH "\ncommands:\n(.*)" listing "${general}")
string(REGEX REPLACE "\n\n.*" "" listing "${CMAKE_MATCH_1}")
string(REPLACE "\n" ";" lines "${listing}")
set(include "[COMMANDS]\nEach command's own help, as `vesk COMMAND --help` shows it.\n")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^  ([a-z][a-z0-9-]*)")
    set(command ${CMAKE_MATCH_1})
    help_of(text ${command})
    as_roff(text "${text}")
    string(APPEND include ".SS \"vesk ${command}\"\n.nf\n${text}\n.fi\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "no commands found in the output of ${VESK} --help")
endif()

string(APPEND include "[FILES]\n"
  ".TP\n.I vesk.ini\nthe settings, beside the program (or in the folder given with \\-\\-home)\n"
  ".TP\n.I ~/.local/share/vesk/\nthe program folder of a vesk installed in /usr ($XDG_DATA_HOME/vesk when that is set): "
  "the first start makes it from /usr/share/vesk, later ones add only what is missing\n"
  ".TP\n.I <firmware>.ini\nthe firmware profiles named in [Firmwares] of vesk.ini\n"
  ".TP\n.I bins/, files/, system/\ndumps, unpacked files and the phone's system files\n"
  "[SEE ALSO]\n.BR vesk-manager ,\nthe window of the same program.\n")

get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(WRITE "${OUTPUT}.h2m" "${include}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --locale=C.UTF-8 --section=1 --source=VESK --version-string=${VERSION}
          "--name=command line of the VESK file manager: Samsung C100 flash dumps and C10 pictures"
          --include=${OUTPUT}.h2m --output=${OUTPUT}.new ${VESK}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed (${status})")
endif()
# The page holds the Russian captions of the window: the coding line, first, tells man and groff's
# preconv that it is UTF-8 rather than leaving them to guess.
file(READ "${OUTPUT}.new" page)
file(WRITE "${OUTPUT}.new" ".\\\" -*- coding: UTF-8 -*-\n${page}")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.h2m")
