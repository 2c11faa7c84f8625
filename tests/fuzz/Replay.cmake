# Each fuzz target built without libFuzzer and run over its seed corpus, so that its checks stay
# part of the ordinary suite (and of the sanitizer build).
include(${CMAKE_CURRENT_LIST_DIR}/Targets.cmake)
foreach(name IN LISTS TORVEN_FUZZ_TARGETS)
  add_executable(fuzz_replay_${name}
    ${CMAKE_CURRENT_LIST_DIR}/Replay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_${name}.cpp)
  target_link_libraries(fuzz_replay_${name} PRIVATE torven_core)
  add_test(NAME fuzz_replay_${name}
           COMMAND fuzz_replay_${name} ${CMAKE_CURRENT_LIST_DIR}/corpus/${name})
endforeach()
