# The wave-out port's contract (wave_out_contract.cpp), run on the fake
# device, on the Linux emulation over a fake sound server and over a private
# real one, and on the system's waveOut under wine with a private sound
# server behind it.
set(wave_out_contract ${CMAKE_CURRENT_LIST_DIR}/wave_out_contract.cpp)

add_executable(tonegen_wave_out_contract_sim ${wave_out_contract} ${CMAKE_CURRENT_LIST_DIR}/wave_out_sim.cpp)
target_link_libraries(tonegen_wave_out_contract_sim PRIVATE tonegen_sim GTest::gtest_main)
target_include_directories(tonegen_wave_out_contract_sim PRIVATE ${PROJECT_SOURCE_DIR}/tests)
tonegen_discover_tests(tonegen_wave_out_contract_sim NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60)
tonegen_label_tests(tonegen_wave_out_contract_sim sim contract)

if(TONEGEN_QT)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_executable(tonegen_wave_out_contract_qt ${wave_out_contract} ${CMAKE_CURRENT_LIST_DIR}/wave_out_qt.cpp
                 ${PROJECT_SOURCE_DIR}/tests/qt/qt_test_main.cpp)
  target_link_libraries(tonegen_wave_out_contract_qt PRIVATE tonegen_qt GTest::gtest)
  target_include_directories(tonegen_wave_out_contract_qt PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  tonegen_discover_tests(tonegen_wave_out_contract_qt NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen DISCOVERY_MODE PRE_TEST)
  tonegen_label_tests(tonegen_wave_out_contract_qt qt contract)

  add_executable(tonegen_wave_out_contract_qt_pulse ${wave_out_contract} ${CMAKE_CURRENT_LIST_DIR}/wave_out_qt_pulse.cpp
                 ${PROJECT_SOURCE_DIR}/tests/qt/qt_test_main.cpp)
  target_link_libraries(tonegen_wave_out_contract_qt_pulse PRIVATE tonegen_qt GTest::gtest)
  target_include_directories(tonegen_wave_out_contract_qt_pulse PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Each run with a sound server of its own, which the harness's clean
  # environment leaves no display for: Qt's offscreen platform.
  set_property(TARGET tonegen_wave_out_contract_qt_pulse PROPERTY CROSSCOMPILING_EMULATOR
    bash ${CMAKE_CURRENT_LIST_DIR}/with_sound_server.sh env QT_QPA_PLATFORM=offscreen)
  tonegen_discover_tests(tonegen_wave_out_contract_qt_pulse NO_PRETTY_VALUES
    PROPERTIES TIMEOUT 120 DISCOVERY_MODE PRE_TEST)
  tonegen_label_tests(tonegen_wave_out_contract_qt_pulse qt contract)
endif()

if(WIN32)
  add_executable(tonegen_wave_out_contract_win32 ${wave_out_contract} ${CMAKE_CURRENT_LIST_DIR}/wave_out_win32.cpp)
  target_link_libraries(tonegen_wave_out_contract_win32 PRIVATE tonegen_win32 GTest::gtest_main)
  target_include_directories(tonegen_wave_out_contract_win32 PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # A window for the notices (an X server of its own) and a sound server
  # behind wine's audio driver, both private to the run.
  set_property(TARGET tonegen_wave_out_contract_win32 PROPERTY CROSSCOMPILING_EMULATOR
    bash ${CMAKE_CURRENT_LIST_DIR}/with_sound_server.sh ${CMAKE_CROSSCOMPILING_EMULATOR} --x-server)
  tonegen_discover_tests(tonegen_wave_out_contract_win32 NO_PRETTY_VALUES
    PROPERTIES TIMEOUT 120 DISCOVERY_TIMEOUT 60)
  tonegen_label_tests(tonegen_wave_out_contract_win32 win32 contract)
endif()
