# Puts the page together as one file that opens straight from disk: the
# style, the page's script, and the worker (the core with the WebAssembly
# inlined, then worker.js) as text in the page, from which the page starts
# it, with the map's data before the page's script. The numbers of the
# page's actions and statuses are written once, in web.hpp (CONTRACT), and
# put before both scripts as constants. Run with -DPAGE= -DSTYLE= -DSCRIPT=
# -DMAP= -DDRAWING= -DCORE= -DWORKER= -DCONTRACT= -DOUTPUT=.
file(READ ${PAGE} page)
file(READ ${STYLE} style)
file(READ ${MAP} map)
file(READ ${DRAWING} drawing)
file(READ ${SCRIPT} script)
file(READ ${CORE} core)
file(READ ${WORKER} worker)

file(STRINGS ${CONTRACT} numbers REGEX "^  kPage[A-Za-z]+ = [0-9]+,")
set(contract "// The page's actions and statuses, as web.hpp numbers them.\n")
foreach(number IN LISTS numbers)
  string(REGEX REPLACE "^  (kPage[A-Za-z]+) = ([0-9]+),.*" "const \\1 = \\2;" constant "${number}")
  string(APPEND contract "${constant}\n")
endforeach()
if(NOT contract MATCHES "kPageMerge" OR NOT contract MATCHES "kPageFailed")
  message(FATAL_ERROR "No action or status numbers found in ${CONTRACT}")
endif()

set(script "${contract}\n${map}\n${drawing}\n${script}")
set(worker_text "${core}\n${contract}\n${worker}")

# The page's parser would end a script at these, wherever they stand.
foreach(text IN ITEMS "${worker_text}" "${script}")
  string(TOLOWER "${text}" lowered)
  foreach(forbidden "</script" "<!--")
    string(FIND "${lowered}" "${forbidden}" found)
    if(NOT found EQUAL -1)
      message(FATAL_ERROR "A script of the page holds ${forbidden}, which would end it early")
    endif()
  endforeach()
endforeach()

string(REPLACE "@@PAGE_CSS@@" "${style}" page "${page}")
string(REPLACE "@@PAGE_JS@@" "${script}" page "${page}")
string(REPLACE "@@WORKER_JS@@" "${worker_text}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
