# tav_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [ENVIRONMENT <k=v...>] [XVFB])
# XVFB runs the test on its own Xvfb display with Qt's xcb platform, for tests
# that need a real X server (window captions, focus, synthetic keys).
# One Qt Test executable per behaviour group. Every test runs with its own
# settings folder so that no test ever touches the user's real settings.
function(tav_add_test)
  cmake_parse_arguments(T "XVFB" "NAME" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
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
  set(platform offscreen)
  if(T_XVFB)
    add_test(NAME ${T_NAME} COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:${T_NAME}>)
    set(platform xcb)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  set(config_home "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.config")
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
    ENVIRONMENT "QT_QPA_PLATFORM=${platform};XDG_CONFIG_HOME=${config_home};LC_ALL=C.UTF-8;${T_ENVIRONMENT}")
endfunction()
