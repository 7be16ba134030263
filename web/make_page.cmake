# Writes one page of the site: TEMPLATE (its page.html.in with the page's own values in
# place) with @script@ replaced by SCRIPTS, the page's scripts joined in order, so that
# the page starts its program without waiting for a script of its own to come, and
# @module_bytes@ by the size of MODULE, the program's module, which the page counts its
# bytes against while they come.
#   cmake -D TEMPLATE=... -D SCRIPTS=a.js|b.js -D MODULE=... -D OUTPUT=... -P make_page.cmake
file(SIZE ${MODULE} module_bytes)
set(script "")
string(REPLACE "|" ";" files "${SCRIPTS}")
foreach(file ${files})
  file(READ ${file} text)
  string(FIND "${text}" "</script" closing)
  if(NOT closing EQUAL -1)
    message(FATAL_ERROR "${file} would end the page's script early")
  endif()
  string(APPEND script "${text}")
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
