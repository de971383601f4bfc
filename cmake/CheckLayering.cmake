# cmake -DSOURCE_DIR=<repository>/src -P CheckLayering.cmake
# Fails when a library includes a header of a layer above it, or when a layer
# below the front ends includes a Qt header. Lowest layer first:
#   core <- exchange <- outbound <- shell <- platform <- config <- desktop <- app
set(above_core exchange outbound shell platform config desktop app)
set(above_exchange outbound shell platform config desktop app)
set(above_outbound shell platform config desktop app)
set(above_shell platform config desktop app)
set(above_platform config desktop app)
set(above_config desktop app)
set(above_desktop app)
set(qt_free_layers core exchange outbound shell platform)

if(NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "SOURCE_DIR is not a folder: '${SOURCE_DIR}'")
endif()

set(include_line "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
set(violations "")
foreach(layer core exchange outbound shell platform config desktop)
  list(FIND qt_free_layers ${layer} qt_free_index)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp"
                          "${SOURCE_DIR}/${layer}/*.in")
  foreach(file IN LISTS files)
    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
    file(STRINGS "${file}" lines REGEX "${include_line}")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "${include_line}.*" "\\1" header "${line}")
      foreach(upper IN LISTS above_${layer})
        if(header MATCHES "^${upper}/")
          string(APPEND violations "  src/${shown}: ${layer} includes ${header} from ${upper}\n")
        endif()
      endforeach()
      if(qt_free_index GREATER -1 AND header MATCHES "^(Q|qt)")
        string(APPEND violations "  src/${shown}: ${layer} includes the Qt header ${header}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Layering violations:\n${violations}")
endif()
message(STATUS "Layering holds.")
