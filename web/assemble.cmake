# Puts the page together as one file that opens straight from disk: the
# style, the page's script, and the worker (the core with the WebAssembly
# inlined, then worker.js) as text in the page, from which the page starts
# it, with the map's data before the page's script. Run with -DPAGE=
# -DSTYLE= -DSCRIPT= -DMAP= -DCORE= -DWORKER= -DOUTPUT=.
file(READ ${PAGE} page)
file(READ ${STYLE} style)
file(READ ${MAP} map)
file(READ ${SCRIPT} script)
set(script "${map}\n${script}")
file(READ ${CORE} core)
file(READ ${WORKER} worker)
set(worker_text "${core}\n${worker}")

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
