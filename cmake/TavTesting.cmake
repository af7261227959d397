# tav_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [ENVIRONMENT <k=v...>]
#              [XVFB] [PRIVATE_NETWORK])
# XVFB runs the test on its own Xvfb display with Qt's xcb platform, for tests
# that need a real X server (window captions, focus, synthetic keys).
# PRIVATE_NETWORK is for tests on the desktop companion's fixed port (see
# tav_private_network below).
# One Qt Test executable per behaviour group. Every test runs with its own
# settings folder so that no test ever touches the user's real settings.

# Tests that use the companion's fixed port 127.0.0.1:11000 (a stand-in
# companion, or an upload run that sends it notices) run each in a network
# namespace of its own, so that they run side by side and never meet a
# program of the machine on that port. Making one needs root (CI runs as
# root); elsewhere they fall back to running one at a time.
set(TAV_PRIVATE_NETWORK_SCRIPT ${PROJECT_SOURCE_DIR}/tests/common/private-network.sh)
execute_process(COMMAND bash ${TAV_PRIVATE_NETWORK_SCRIPT} true
                RESULT_VARIABLE private_network_result OUTPUT_QUIET ERROR_QUIET)
if(private_network_result EQUAL 0)
  # Prefix of a test's command.
  set(TAV_PRIVATE_NETWORK bash ${TAV_PRIVATE_NETWORK_SCRIPT})
else()
  set(TAV_PRIVATE_NETWORK "")
  message(STATUS "No network namespaces (not root?): tests on the companion's port run one at a time")
endif()

# For tests whose command starts with ${TAV_PRIVATE_NETWORK} (scripts added
# with add_test): without namespaces, such tests take turns at the port.
function(tav_private_network)
  if(NOT TAV_PRIVATE_NETWORK)
    set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK sstp11000)
  endif()
endfunction()

function(tav_add_test)
  cmake_parse_arguments(T "XVFB;PRIVATE_NETWORK" "NAME" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
  # Helpers the tests share (tests/common/).
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE
    TAV_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    TAV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(TARGET tavpub)
    # Black-box tests run the real command-line tool.
    target_compile_definitions(${T_NAME} PRIVATE TAVPUB_PATH="$<TARGET_FILE:tavpub>")
    add_dependencies(${T_NAME} tavpub)
  endif()
  set(prefix "")
  if(T_PRIVATE_NETWORK)
    set(prefix ${TAV_PRIVATE_NETWORK})
  endif()
  set(platform offscreen)
  if(T_XVFB)
    # The display is made inside the namespace too.
    add_test(NAME ${T_NAME} COMMAND ${prefix} xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:${T_NAME}>)
    set(platform xcb)
  else()
    add_test(NAME ${T_NAME} COMMAND ${prefix} $<TARGET_FILE:${T_NAME}>)
  endif()
  if(T_PRIVATE_NETWORK)
    tav_private_network(${T_NAME})
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  set(config_home "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.config")
  # Recovery copies of the tests' pages stay in the build folder too.
  set(state_home "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.state")
  if(TAV_SANITIZE)
    # Leaks inside system libraries the platform plugins load are not ours.
    list(APPEND T_ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  endif()
  # A developer's own desktop must not get the tests' upload notices; the
  # notice test points its process at a bus of its own.
  list(APPEND T_ENVIRONMENT "DBUS_SESSION_BUS_ADDRESS=disabled:")
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT 180
    ENVIRONMENT "QT_QPA_PLATFORM=${platform};XDG_CONFIG_HOME=${config_home};XDG_STATE_HOME=${state_home};LC_ALL=C.UTF-8;${T_ENVIRONMENT}")
endfunction()
