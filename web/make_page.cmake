# Writes one page of the site: TEMPLATE (its page.html.in with the page's own values in
# place) with @head_script@ and @script@ replaced by HEAD_SCRIPTS and SCRIPTS, each the
# page's scripts joined in order, so that the page starts its program without waiting for
# a script of its own to come, and @module_bytes@ by the size of MODULE, the program's
# module, which the page counts its bytes against while they come.
#   cmake -D TEMPLATE=... -D HEAD_SCRIPTS=a.js -D SCRIPTS=b.js|c.js -D MODULE=...
#         -D OUTPUT=... -P make_page.cmake
file(SIZE ${MODULE} module_bytes)
function(join_scripts variable list)
  set(joined "")
  string(REPLACE "|" ";" files "${list}")
  foreach(file ${files})
    file(READ ${file} text)
    string(FIND "${text}" "</script" closing)
    if(NOT closing EQUAL -1)
      message(FATAL_ERROR "${file} would end the page's script early")
    endif()
    string(APPEND joined "${text}")
  endforeach()
  set(${variable} "${joined}" PARENT_SCOPE)
endfunction()
join_scripts(head_script "${HEAD_SCRIPTS}")
join_scripts(script "${SCRIPTS}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
