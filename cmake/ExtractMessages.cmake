# cmake -DSOURCE_DIR=<repository> -DPOT=<file> -DXGETTEXT=<program> -P ExtractMessages.cmake
# Writes the template of zumasetctl's messages from the sources po/POTFILES lists.
file(STRINGS ${SOURCE_DIR}/po/POTFILES sources)
execute_process(
  COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword=Tr --keyword=TrN:1,2 --keyword=N_
          --add-comments=TRANSLATORS: --package-name=zumasetctl --msgid-bugs-address=
          --sort-by-file --add-location=file --output=${POT} ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "xgettext failed")
endif()
