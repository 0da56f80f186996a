# add_deliverable(NAME DEVICE PORT TITRE DETAIL)
# Builds one deliverable: the core, one device (an object library) and its
# row of constants, as NAME.dll (Windows) or NAME.so (native) in
# DRIVERS_OUTPUT_DIR.

# UTF-8 to a C string literal of Windows-1252 bytes. Each escape closes its
# literal ("\xE8" "tre") so that a following hex digit is not swallowed.
set(_cp1252_pairs
  "à" "E0" "â" "E2" "ä" "E4" "ç" "E7" "è" "E8" "é" "E9" "ê" "EA" "ë" "EB"
  "î" "EE" "ï" "EF" "ô" "F4" "ö" "F6" "ù" "F9" "û" "FB" "ü" "FC" "ÿ" "FF"
  "À" "C0" "Â" "C2" "Ç" "C7" "È" "C8" "É" "C9" "Ê" "CA" "Î" "CE" "Ô" "D4"
  "Ù" "D9" "Û" "DB" "°" "B0" "«" "AB" "»" "BB" "µ" "B5" "²" "B2")
function(_windows_1252_literal out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(pairs ${_cp1252_pairs})
  list(LENGTH pairs count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET pairs ${i} character)
    list(GET pairs ${j} code)
    string(REPLACE "${character}" "\\x${code}\" \"" text "${text}")
  endforeach()
  if(text MATCHES "[^ -~]")
    message(FATAL_ERROR "add_deliverable: '${text}' holds a character with no Windows-1252 mapping here")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(add_deliverable NAME DEVICE PORT TITRE DETAIL)
  set(DELIVERABLE_NAME "${NAME}")
  set(DELIVERABLE_PORT "${PORT}")
  _windows_1252_literal(DELIVERABLE_TITRE "${TITRE}")
  _windows_1252_literal(DELIVERABLE_DETAIL "${DETAIL}")
  set(row "${CMAKE_CURRENT_BINARY_DIR}/${NAME}_row.cpp")
  configure_file("${PROJECT_SOURCE_DIR}/deliverables/deliverable_row.cpp.in" "${row}" @ONLY)

  add_library(${NAME} SHARED "${row}")
  target_link_libraries(${NAME} PRIVATE driver_core serial_platform driver_interface library_lifecycle ${DEVICE})
  set_target_properties(${NAME} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY "${DRIVERS_OUTPUT_DIR}"
    RUNTIME_OUTPUT_DIRECTORY "${DRIVERS_OUTPUT_DIR}")
  if(WIN32)
    # Exports by exports.def, undecorated; no runtime DLL beyond the system's.
    target_sources(${NAME} PRIVATE "${PROJECT_SOURCE_DIR}/core/exports.def")
    target_link_options(${NAME} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--enable-stdcall-fixup $<$<CONFIG:Release>:-s>)
  endif()
  set_property(GLOBAL APPEND PROPERTY DRIVER_DELIVERABLES ${NAME})
endfunction()
