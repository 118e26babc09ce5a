# Writes the zentho-iap man page from the built tool's own --help texts, so the page
# can never drift from the program. Run with cmake -P:
#   -DBINARY=path/to/zentho-iap -DOUTPUT=zentho-iap.1 -DVERSION=1.0.0 -DDATE=2026-12-09
foreach(required BINARY OUTPUT VERSION DATE)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "ManPage.cmake needs -D${required}=...")
  endif()
endforeach()

# One help text as roff lines kept as printed: backslashes and hyphens escaped, a line
# that starts with a dot or a quote shielded from being read as a request.
function(help_as_roff out_var)
  execute_process(COMMAND ${BINARY} ${ARGN} --help
                  OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${BINARY} ${ARGN} --help failed: ${status}")
  endif()
  string(REPLACE "\\" "\\e" help "${help}")
  string(REPLACE "-" "\\-" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(REGEX REPLACE "\n+$" "" help "${help}")
  set(${out_var} "${help}" PARENT_SCOPE)
endfunction()

help_as_roff(top)
set(page ".TH ZENTHO\\-IAP 1 \"${DATE}\" \"zentho\\-iap ${VERSION}\" \"User Commands\"
.SH NAME
zentho\\-iap \\- download firmware into Orvane USB HID devices
.SH SYNOPSIS
.B zentho\\-iap
.RI [ OPTIONS ]
.I VERB
.RI [ ARGS ]
.SH DESCRIPTION
.B zentho\\-iap
runs the same download session as the ZenthoIAP window, with the same log lines, for
scripts, CI and production stations.
.B \\-\\-simulate
runs against the built\\-in simulated device, without hardware.
The help of each verb follows, as the program prints it.
.SH OPTIONS
.nf
${top}
.fi
")
foreach(verb "list" "download" "config" "config check" "config build")
  string(REPLACE " " ";" words "${verb}")
  help_as_roff(text ${words})
  string(TOUPPER "${verb}" title)
  string(REPLACE "-" "\\-" title "${title}")
  string(APPEND page ".SH ${title}\n.nf\n${text}\n.fi\n")
endforeach()
string(APPEND page ".SH FILES
.TP
.I /usr/lib/udev/rules.d/70\\-zentho\\-iap.rules
gives the logged\\-in user access to the hidraw node of an Orvane device.
.SH SEE ALSO
.BR ZenthoIAP (1),
.BR udev (7)
")
file(WRITE ${OUTPUT} "${page}")
