# Writes one page of the site: TEMPLATE (its page.html.in with the page's own values in
# place) with @script@ replaced by SCRIPTS, the page's scripts joined in order, so that
# the page starts its program without waiting for a script of its own to come.
#   cmake -D TEMPLATE=... -D SCRIPTS=a.js|b.js -D OUTPUT=... -P make_page.cmake
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
