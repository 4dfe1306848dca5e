# Tests of the RTF layer (included from tests/CMakeLists.txt after exam_add_test).
add_library(rtf_test_support STATIC rtf/rtfdump.cpp rtf/rtfdump.h)
target_include_directories(rtf_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/rtf)
target_link_libraries(rtf_test_support PUBLIC common)

foreach(unit IN ITEMS rtfgolden rtfreader rtfwriter rtfrobustness rtfpictures rtfnotes)
    exam_add_test(tst_${unit} SOURCES rtf/tst_${unit}.cpp LIBS rtf_test_support)
    target_compile_definitions(tst_${unit} PRIVATE
        RTF_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/rtf/golden"
        DEMO_PAPER_DIR="${CMAKE_SOURCE_DIR}/demo/SHIJUAN/Unit3")
endforeach()
