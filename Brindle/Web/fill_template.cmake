# Puts the player's script (SCRIPT) into the page template (TEMPLATE) at
# {{PLAYER}}, writing OUT. The story's own markers stay for brindle-story.
file(READ ${TEMPLATE} page)
file(READ ${SCRIPT} script)
string(FIND "${script}" "</script" closing)
if(NOT closing EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} holds </script, which would end the page's script early")
endif()
string(REPLACE "{{PLAYER}}" "${script}" page "${page}")
file(WRITE ${OUT}.tmp "${page}")
file(RENAME ${OUT}.tmp ${OUT})
