# Parts of the build that depend on something a machine may lack. Each is
# recorded as built or left out, and the configure ends with one line that
# says which; with TAV_REQUIRE_ALL (CI) a part left out for want of its
# dependency stops the configure instead of building a lesser program.
option(TAV_REQUIRE_ALL "Fail the configure when an optional part cannot be built" OFF)

# tav_optional_part(NAME "what it gives" AVAILABLE <condition...>)
function(tav_optional_part name)
  cmake_parse_arguments(P "" "" "AVAILABLE" ${ARGN})
  if(${P_AVAILABLE})
    set_property(GLOBAL APPEND PROPERTY TAV_PARTS_BUILT "${name}")
  else()
    set_property(GLOBAL APPEND PROPERTY TAV_PARTS_LEFT_OUT "${name}")
  endif()
endfunction()

function(tav_report_optional_parts)
  get_property(built GLOBAL PROPERTY TAV_PARTS_BUILT)
  get_property(left_out GLOBAL PROPERTY TAV_PARTS_LEFT_OUT)
  string(REPLACE ";" ", " built "${built}")
  string(REPLACE ";" ", " left_out_text "${left_out}")
  message(STATUS "Tav Outliner: built with: ${built}")
  if(left_out)
    if(TAV_REQUIRE_ALL)
      message(FATAL_ERROR "Tav Outliner: left out for want of their dependencies: ${left_out_text}")
    endif()
    message(WARNING "Tav Outliner: left out for want of their dependencies: ${left_out_text}")
  endif()
endfunction()
