# cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<folder> -DXGETTEXT=<program> -DMSGCMP=<program> -P CheckCatalogues.cmake
# Fails when a message of the sources has no translation (missing, empty or
# fuzzy) in a catalogue of po/LINGUAS.
set(POT ${WORK_DIR}/zumasetctl.pot)
include(${CMAKE_CURRENT_LIST_DIR}/ExtractMessages.cmake)
file(STRINGS ${SOURCE_DIR}/po/LINGUAS languages)
set(untranslated "")
foreach(lang IN LISTS languages)
  execute_process(COMMAND ${MSGCMP} ${SOURCE_DIR}/po/${lang}.po ${POT}
                  RESULT_VARIABLE failed ERROR_VARIABLE why)
  if(failed)
    string(APPEND untranslated "po/${lang}.po:\n${why}")
  endif()
endforeach()
if(untranslated)
  message(FATAL_ERROR "Messages without a translation (run scripts/update-po and translate them):\n${untranslated}")
endif()
